# The tests of the Windows build. Those that need no window, no pseudo-terminal and no Linux
# program run as they are; they share the scripted port.
add_library(test_support STATIC ${CMAKE_CURRENT_SOURCE_DIR}/fake_serial_port.cpp)
target_include_directories(test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(test_support PUBLIC inverter_sim inverter_core Qt6::Test)

set(widget_free_tests
  tst_conversions tst_frame_composer tst_reply_judge tst_reply_decoder tst_entry_checks
  tst_exchange_text tst_nice_ticks tst_parameter_set tst_telnet tst_exchange_core
  tst_in_process_line tst_listening tst_trip)
foreach(name ${widget_free_tests})
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
  target_link_libraries(${name} PRIVATE test_support)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endforeach()

# The window against a drive the Wine test script starts on the Linux side: behind COM1 (a
# pseudo-terminal, as Wine maps it) or a TCP port; its addresses come in the environment.
add_executable(tst_wine_window ${CMAKE_CURRENT_SOURCE_DIR}/windows/tst_wine_window.cpp)
target_link_libraries(tst_wine_window PRIVATE test_support inverter_window)
