# The Windows package: an installer that installs per user without administrator rights
# (modbus-debugger-VERSION-win64-setup.exe, NSIS) and a portable archive whose .exe runs alone
# (modbus-debugger-VERSION-win64.zip). cmake --build build-win --target windows-package
find_program(MAKENSIS makensis REQUIRED)
set(package_name modbus-debugger-${PROJECT_VERSION}-win64)
set(package_dir ${CMAKE_BINARY_DIR}/package)
configure_file(${CMAKE_CURRENT_LIST_DIR}/installer.nsi.in ${package_dir}/installer.nsi @ONLY)
add_custom_target(windows-package
  COMMAND ${CMAKE_COMMAND} -E make_directory ${package_dir}/${package_name}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:modbus-debugger> $<TARGET_FILE:inverter-sim>
          ${package_dir}/${package_name}/
  COMMAND ${CMAKE_COMMAND} -E rm -f ${CMAKE_BINARY_DIR}/${package_name}.zip
  COMMAND ${CMAKE_COMMAND} -E chdir ${package_dir}
          ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/${package_name}.zip --format=zip
          ${package_name}
  COMMAND ${MAKENSIS} -V2 -DEXE_DIR=${package_dir}/${package_name}
          -DOUTFILE=${CMAKE_BINARY_DIR}/${package_name}-setup.exe ${package_dir}/installer.nsi
  DEPENDS modbus-debugger inverter-sim ${package_dir}/installer.nsi
  COMMENT "Packing ${package_name}-setup.exe and ${package_name}.zip"
  VERBATIM)
