<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Addresses</name>
    <message>
        <source>&quot;%1&quot;: name drive addresses from 1 to 247 as 1-12 or 1,3,5-7</source>
        <translation>“%1”：变频器地址为 1 到 247，写作 1-12 或 1,3,5-7</translation>
    </message>
</context>
<context>
    <name>ComPortControl</name>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>odd</source>
        <translation>奇</translation>
    </message>
    <message>
        <source>even</source>
        <translation>偶</translation>
    </message>
    <message>
        <source>mark</source>
        <translation>标记</translation>
    </message>
    <message>
        <source>space</source>
        <translation>空号</translation>
    </message>
    <message>
        <source>%1 baud instead of %2</source>
        <translation>%1 波特而不是 %2</translation>
    </message>
    <message>
        <source>%1 data bits instead of %2</source>
        <translation>%1 个数据位而不是 %2</translation>
    </message>
    <message>
        <source>parity %1 instead of %2</source>
        <translation>%1校验而不是%2校验</translation>
    </message>
    <message>
        <source>%1 stop bits instead of %2</source>
        <translation>%1 个停止位而不是 %2</translation>
    </message>
    <message>
        <source>the gateway refused the setting and kept its port at %1</source>
        <translation>网关拒绝了设置，它的串口仍为 %1</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Show this help and end.</source>
        <translation>显示本帮助后结束。</translation>
    </message>
    <message>
        <source>Show the version and end.</source>
        <translation>显示版本后结束。</translation>
    </message>
    <message>
        <source>Start a simulated inverter (address 1) on a fresh pseudo-terminal and put it behind COM1, so every button can be tried without a drive.</source>
        <translation>在新的伪终端上启动一台模拟变频器（地址 1）并放在 COM1 背后，不接变频器也能试用每个按钮。</translation>
    </message>
    <message>
        <source>Append every exchange (request, reply, late reply, unsent request) to FILE as a CSV row the moment it happens, written through to the disk.</source>
        <translation>每次通讯（请求、回应、迟到的回应、未发送的请求）一发生就以一行 CSV 追加到 FILE，并立即写入磁盘。</translation>
    </message>
    <message>
        <source>How long a capture waits for the first byte of a reply, 50 (default) to 2000 ms. Raise it for a drive that answers later than 50 ms.</source>
        <translation>接收等待回应第一个字节的时间，50（默认）到 2000 ms。变频器回应晚于 50 ms 时请调大。</translation>
    </message>
    <message>
        <source>The language of the program&apos;s messages: zh (Chinese) or en (English). By default English for an English locale (LANG), Chinese otherwise.</source>
        <translation>程序提示的语言：zh（中文）或 en（英文）。默认：英文区域设置（LANG）用英文，其他用中文。</translation>
    </message>
    <message>
        <source>Listen to a bus another master runs, without the window and without ever sending: one CSV row per frame heard, in the line of --baud and --format. Ends after --duration or on Ctrl+C, with exit status 0.</source>
        <translation>不开窗口、也绝不发送，监听另一个主站控制的总线：每听到一帧输出一行 CSV，线路设置取自 --baud 和 --format。--duration 到时或按 Ctrl+C 结束，退出码为 0。</translation>
    </message>
    <message>
        <source>Write the rows of --listen to FILE.</source>
        <translation>把 --listen 的各行写入 FILE。</translation>
    </message>
    <message>
        <source>Also write the frames of --listen to FILE as a pcap capture for Wireshark (link type USER0, 147).</source>
        <translation>同时把 --listen 听到的帧写入 FILE，作为 Wireshark 可读的 pcap 抓包（链路类型 USER0，147）。</translation>
    </message>
    <message>
        <source>How long --listen listens, in seconds.</source>
        <translation>--listen 监听的时长，单位秒。</translation>
    </message>
    <message>
        <source>modbus-debugger --help lists the options.</source>
        <translation>modbus-debugger --help 列出所有选项。</translation>
    </message>
    <message>
        <source>unexpected argument: %1</source>
        <translation>多余的参数：%1</translation>
    </message>
    <message>
        <source>--language wants zh or en, not &quot;%1&quot;</source>
        <translation>--language 应为 zh 或 en，而不是“%1”</translation>
    </message>
    <message>
        <source>--reply-timeout wants milliseconds from 50 to 2000, not &quot;%1&quot;</source>
        <translation>--reply-timeout 应为 50 到 2000 的毫秒数，而不是“%1”</translation>
    </message>
    <message>
        <source>--duration wants whole seconds, not &quot;%1&quot;</source>
        <translation>--duration 应为整秒数，而不是“%1”</translation>
    </message>
    <message>
        <source>--scan-budget wants milliseconds from %1 to %2, not &quot;%3&quot;</source>
        <translation>--scan-budget 应为 %1 到 %2 的毫秒数，而不是“%3”</translation>
    </message>
    <message>
        <source>Open the trend window and poll these readings from the start: names or item numbers, comma-separated; ADDRESS:NAME polls a reading of another drive on the line (2:output-frequency), a bare name the drive of --address. Readings: %1.</source>
        <translation>启动时打开趋势窗口并监视这些读数：名称或项目编号，用逗号分隔；ADDRESS:NAME 监视同一线路上另一台变频器的读数（2:output-frequency），不带地址的名称指 --address 的变频器。读数：%1。</translation>
    </message>
    <message>
        <source>Append every polled sample to FILE as CSV (time in ms, the drive&apos;s address, reading, raw value, scaled value, verdict), written through per row.</source>
        <translation>把每个监视采样以 CSV 追加到 FILE（时间 ms、变频器地址、读数、原始值、换算值、判定），每行立即写入磁盘。</translation>
    </message>
    <message>
        <source>Find the drives on COM1 (or the port --port names) without the window: probe with the fault-code reading over baud rates, data formats and addresses, print one line per drive found (address, baud rate, format, first-byte delay) and the probes and time taken. Exit status 0 when a drive was found, 1 when none.</source>
        <translation>不开窗口，在 COM1（或 --port 指定的端口）上查找变频器：用读故障代码逐一试探各波特率、资料格式和地址，每找到一台打印一行（地址、波特率、格式、首字节延时），最后打印试探次数和用时。找到变频器时退出码为 0，没有找到为 1。</translation>
    </message>
    <message>
        <source>Baud rates to scan, e.g. 9600,19200 (default all four).</source>
        <translation>要查找的波特率，例如 9600,19200（默认全部四种）。</translation>
    </message>
    <message>
        <source>Data formats to scan by the format buttons&apos; names without spaces, e.g. rtu8n1,rtu8e1, or rtu, ascii (default all six).</source>
        <translation>要查找的资料格式，用格式按钮的名称去掉空格，例如 rtu8n1,rtu8e1，或 rtu、ascii（默认全部六种）。</translation>
    </message>
    <message>
        <source>Addresses to scan (default 1-247).</source>
        <translation>要查找的地址（默认 1-247）。</translation>
    </message>
    <message>
        <source>How long a probe waits for a drive to begin its answer, 5 to 2000 ms (default 30).</source>
        <translation>每次试探等待变频器开始回应的时间，5 到 2000 ms（默认 30）。</translation>
    </message>
    <message>
        <source>Go on after the first drive found and find them all.</source>
        <translation>找到第一台后继续，找出全部变频器。</translation>
    </message>
    <message>
        <source>name one baud rate</source>
        <translation>只能给出一种波特率</translation>
    </message>
    <message>
        <source>--compare-drive wants 1 to 247, not &quot;%1&quot;</source>
        <translation>--compare-drive 需要 1 到 247，而不是“%1”</translation>
    </message>
    <message>
        <source>name one data format</source>
        <translation>只能给出一种资料格式</translation>
    </message>
    <message>
        <source>--address wants 1 to 247, not &quot;%1&quot;</source>
        <translation>--address 应为 1 到 247，而不是“%1”</translation>
    </message>
    <message>
        <source>--parameters wants FIRST-LAST within 0-250, not &quot;%1&quot;</source>
        <translation>--parameters 应为 0-250 之内的 起-止，而不是“%1”</translation>
    </message>
    <message>
        <source>--scan, --backup, --compare, --compare-drive, --restore and --listen go one at a time</source>
        <translation>--scan、--backup、--compare、--compare-drive、--restore 和 --listen 一次只能用一个</translation>
    </message>
    <message>
        <source>--addresses goes with --backup, --compare, --compare-drive or --restore</source>
        <translation>--addresses 要与 --backup、--compare、--compare-drive 或 --restore 一起使用</translation>
    </message>
    <message>
        <source>--compare-drive compares the drives of --addresses with it</source>
        <translation>--compare-drive 把 --addresses 中的变频器与它比较</translation>
    </message>
    <message>
        <source>MODBUS debugging program for frequency inverters.

The port buttons COM1..COM4 stand for serial devices. On Windows they are the ports of
those names. Elsewhere COMn is the n-th detected serial device, USB and ACM adapters
before built-in ttyS ports, unless --port assigns a device to it. The device behind
each button shows as its tooltip.

Exit status of --scan, --backup, --compare and --restore: 0 done; 1 no drive found,
parameters that differ, or a parameter that could not be read or written; 2 a wrong
option, or a file that cannot be read or written; 3 the port cannot be opened or
stayed away.</source>
        <translation>变频器 MODBUS 调试程序。

端口按钮 COM1..COM4 代表串口设备。在 Windows 上就是同名的端口；
在其他系统上，COMn 是检测到的第 n 个串口设备（USB 和 ACM 适配器排在内置 ttyS 端口之前），
除非用 --port 指定。每个按钮背后的设备显示在它的提示中。

--scan、--backup、--compare 和 --restore 的退出码：0 完成；1 没有找到变频器、
参数有不同，或有参数读写失败；2 选项错误，或文件无法读写；3 端口无法打开或一直不在。</translation>
    </message>
    <message>
        <source>The baud rate: 4800, 9600 (default), 19200 or 38400. Sets the window&apos;s button at start-up and the line of --backup, --compare and --restore.</source>
        <translation>波特率：4800、9600（默认）、19200 或 38400。启动时选中窗口中的按钮，也是 --backup、--compare 和 --restore 的线路设置。</translation>
    </message>
    <message>
        <source>The data format as the format buttons name it, without spaces or with a dash: rtu-8n1, rtu8e1, ascii-8n1 (default ascii-8n1). Sets the window&apos;s button at start-up and the line of the parameter commands.</source>
        <translation>资料格式，用格式按钮的名称，去掉空格或用短横线：rtu-8n1、rtu8e1、ascii-8n1（默认 ascii-8n1）。启动时选中窗口中的按钮，也是参数命令的线路设置。</translation>
    </message>
    <message>
        <source>The drive&apos;s address for the parameter commands, 1 to 247 (default 1); also put into the inverter address box.</source>
        <translation>参数命令使用的变频器地址，1 到 247（默认 1）；也写入变频地址框。</translation>
    </message>
    <message>
        <source>Read the drive&apos;s parameters and save them to FILE, without the window. Exit status 0 when every one was read.</source>
        <translation>不开窗口，读取变频器的参数并保存到 FILE。全部读到时退出码为 0。</translation>
    </message>
    <message>
        <source>Read the drive&apos;s parameters that FILE holds and print each that differs with both values. Exit status 1 when any differs, 0 when none does.</source>
        <translation>读取 FILE 中包含的变频器参数，打印每个不同的参数及两边的值。有不同时退出码为 1，全部相同时为 0。</translation>
    </message>
    <message>
        <source>Write the parameters of FILE that differ from the drive&apos;s, each read back; not while the drive runs. Exit status 0 only when every one read back as meant.</source>
        <translation>把 FILE 中与变频器不同的参数写入变频器，每个写后回读；变频器运行时不写。只有全部回读正确时退出码为 0。</translation>
    </message>
    <message>
        <source>The parameter commands for several drives on the line, such as 1-12 or 1,3,5-7: --backup then names a folder and writes a file per drive (drive-001.csv ...), --compare and --compare-drive print one table of every drive, --restore writes to each drive in turn.</source>
        <translation>对同一线路上的多台变频器执行参数命令，例如 1-12 或 1,3,5-7：此时 --backup 指定一个文件夹，每台变频器写一个文件（drive-001.csv ……），--compare 和 --compare-drive 把所有变频器打印在一张表里，--restore 依次写入每台变频器。</translation>
    </message>
    <message>
        <source>Compare the drives of --addresses with drive N&apos;s parameters, as --compare does with a file.</source>
        <translation>把 --addresses 中的变频器与变频器 N 的参数比较，如同 --compare 与文件比较。</translation>
    </message>
    <message>
        <source>The parameters of --backup, --compare and --restore (default 0-250).</source>
        <translation>--backup、--compare 和 --restore 的参数范围（默认 0-250）。</translation>
    </message>
    <message>
        <source>Put device PATH behind port button COMn (n = 1..4), or a serial device server: tcp://HOST:PORT (raw TCP) or rfc2217://HOST:PORT (the buttons set its port). Repeatable, e.g. --port COM1=/dev/ttyUSB0.</source>
        <translation>把设备 PATH 放在端口按钮 COMn（n = 1..4）背后，也可以是串口服务器：tcp://主机:端口（原始 TCP）或 rfc2217://主机:端口（由按钮设定它的串口）。可重复，例如 --port COM1=/dev/ttyUSB0。</translation>
    </message>
    <message>
        <source>Catch the moment a drive trips while --monitor polls: EXPR is a reading, a comparison and a value: fault-code!=0 (the default), output-current&gt;12.5, 2:bus-voltage&lt;450, output-frequency&lt;&gt;25 (crossing either way), or no-reply&gt;=3 (polls in a row without a good answer). Needs --snapshots.</source>
        <translation>在 --monitor 监视时捕捉变频器跳闸的时刻：EXPR 由读数、比较符和数值组成：fault-code!=0（默认）、output-current&gt;12.5、2:bus-voltage&lt;450、output-frequency&lt;&gt;25（向任一方向越过），或 no-reply&gt;=3（连续多少次没有正常回应）。需要 --snapshots。</translation>
    </message>
    <message>
        <source>Write a snapshot of each trigger&apos;s moment into a folder of its own in DIR: the samples, a summary and the chart.</source>
        <translation>每次触发时在 DIR 中单独建一个文件夹保存快照：采样数据、摘要和曲线图。</translation>
    </message>
    <message>
        <source>Seconds kept before the moment, 1 to 3600 (default 30).</source>
        <translation>触发前保留的秒数，1 到 3600（默认 30）。</translation>
    </message>
    <message>
        <source>Seconds kept after the moment, 1 to 600 (default 10).</source>
        <translation>触发后保留的秒数，1 到 600（默认 10）。</translation>
    </message>
    <message>
        <source>How far a reading must come back past the trigger&apos;s level before it can fire again, in the reading&apos;s unit (default 0).</source>
        <translation>读数须回落超过触发电平多少才能再次触发，单位与读数相同（默认 0）。</translation>
    </message>
    <message>
        <source>End after the first snapshot instead of waiting for the next.</source>
        <translation>保存第一个快照后结束，不再等待下一次。</translation>
    </message>
    <message>
        <source>Catch trips without showing a window (also without a display).</source>
        <translation>不显示窗口捕捉跳闸（没有显示器也可以）。</translation>
    </message>
    <message>
        <source>--trigger, --single and --no-window want --snapshots DIR</source>
        <translation>--trigger、--single 和 --no-window 需要 --snapshots DIR</translation>
    </message>
    <message>
        <source>--%1 wants whole seconds from 1 to %2, not &quot;%3&quot;</source>
        <translation>--%1 应为 1 到 %2 的整秒数，而不是“%3”</translation>
    </message>
    <message>
        <source>--hysteresis wants a value of 0 or more in the reading&apos;s unit</source>
        <translation>--hysteresis 应为 0 或以上的值，单位与读数相同</translation>
    </message>
</context>
<context>
    <name>DeviceCheck</name>
    <message>
        <source>%1 (process %2)</source>
        <translation>%1（进程 %2）</translation>
    </message>
    <message>
        <source>no such device: the adapter is not plugged in, or the name is wrong</source>
        <translation>没有这个设备：适配器没有插上，或设备名不对</translation>
    </message>
    <message>
        <source>this is a folder, not a serial device</source>
        <translation>这是文件夹，不是串口设备</translation>
    </message>
    <message>
        <source>this is a file, not a serial device</source>
        <translation>这是文件，不是串口设备</translation>
    </message>
    <message>
        <source>this is not a serial device</source>
        <translation>这不是串口设备</translation>
    </message>
    <message>
        <source>this device is not a serial port (it has no line settings)</source>
        <translation>这个设备不是串口（没有线路设置）</translation>
    </message>
    <message>
        <source>no permission to open it: add the user to the %1 group (sudo usermod -aG %1 $USER) and log in again</source>
        <translation>没有打开它的权限：把用户加入 %1 组（sudo usermod -aG %1 $USER）后重新登录</translation>
    </message>
    <message>
        <source>no permission to open it</source>
        <translation>没有打开它的权限</translation>
    </message>
    <message>
        <source>busy: another program has it open; close that program first</source>
        <translation>被占用：另一个程序打开了它；请先关闭那个程序</translation>
    </message>
    <message>
        <source>busy: %1 has it open; close that program first</source>
        <translation>正被 %1 占用；请先关闭那个程序</translation>
    </message>
</context>
<context>
    <name>DriveComparisonWindow</name>
    <message>
        <source>The drives to compare: 1-12, or 1,3,5-7</source>
        <translation>要比较的变频器：1-12，或 1,3,5-7</translation>
    </message>
    <message>
        <source>reference file</source>
        <translation>参考文件</translation>
    </message>
    <message>
        <source>reference drive</source>
        <translation>参考变频器</translation>
    </message>
    <message>
        <source>Write the reference&apos;s values to every drive that differs, each read back; a drive that runs is left alone</source>
        <translation>把参考值写入每台不同的变频器，每个写入后回读；运行中的变频器不写</translation>
    </message>
    <message>
        <source>all parameters</source>
        <translation>全部参数</translation>
    </message>
    <message>
        <source>= alike on every drive</source>
        <translation>= 各台相同</translation>
    </message>
    <message>
        <source>≠ differing on a drive</source>
        <translation>≠ 有变频器不同</translation>
    </message>
    <message>
        <source>Open the reference parameter set</source>
        <translation>打开参考参数集</translation>
    </message>
    <message>
        <source>Paused, the port failed: %1</source>
        <translation>已暂停，端口故障：%1</translation>
    </message>
    <message>
        <source>Another job holds the line; stop it first</source>
        <translation>另一项任务正在使用线路；请先停止它</translation>
    </message>
    <message>
        <source>Parameters are being written. Stop the writing and close?</source>
        <translation>正在写入参数。停止写入并关闭？</translation>
    </message>
    <message>
        <source>Could not open %1: %2</source>
        <translation>无法打开 %1：%2</translation>
    </message>
    <message>
        <source>%1 was not loaded: %2</source>
        <translation>未能载入 %1：%2</translation>
    </message>
    <message>
        <source>Opened %1</source>
        <translation>已打开 %1</translation>
    </message>
    <message>
        <source>Open the reference file first</source>
        <translation>请先打开参考文件</translation>
    </message>
    <message>
        <source>Reading %1 drive(s)…</source>
        <translation>正在读取 %1 台变频器…</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>The reference drive %1 did not answer</source>
        <translation>参考变频器 %1 无回应</translation>
    </message>
    <message>
        <source>%1 drive(s) compared with %2</source>
        <translation>%1 台变频器已与 %2 比较</translation>
    </message>
    <message>
        <source>Stopped. %1</source>
        <translation>已停止。%1</translation>
    </message>
    <message>
        <source>no answer from drive(s) %1</source>
        <translation>变频器 %1 无回应</translation>
    </message>
    <message>
        <source>reference</source>
        <translation>参考</translation>
    </message>
    <message>
        <source>%1 parameter(s), %2 differing on a drive</source>
        <translation>%1 个参数，%2 个在某台变频器上不同</translation>
    </message>
    <message>
        <source>Compare the drives first</source>
        <translation>请先比较变频器</translation>
    </message>
    <message>
        <source>Nothing differs: nothing to write</source>
        <translation>没有不同：无需写入</translation>
    </message>
    <message>
        <source>Write %1 parameter(s) to %2 drive(s), each read back? A drive that runs is left alone.</source>
        <translation>把 %1 个参数写入 %2 台变频器，每个写入后回读？运行中的变频器不写。</translation>
    </message>
    <message>
        <source>Left out: the protocol sends a multiple of 256 as the bytes of its high byte alone, so %1 would arrive as another value.</source>
        <translation>未包括：协议把 256 的倍数只按其高字节发送，%1 到达时会变成另一个值。</translation>
    </message>
    <message>
        <source>drive %1: nothing written, no answer to the output-frequency reading</source>
        <translation>变频器 %1：未写入，输出频率读数无回应</translation>
    </message>
    <message>
        <source>drive %1: nothing written, it runs (%2 Hz)</source>
        <translation>变频器 %1：未写入，正在运行（%2 Hz）</translation>
    </message>
    <message>
        <source>drive %1: nothing written, 启动 was sent to it after its last 停止</source>
        <translation>变频器 %1：未写入，最后一次停止之后又发送过启动</translation>
    </message>
    <message>
        <source>drive %1: %2 of %3 written and read back as meant</source>
        <translation>变频器 %1：%3 个中 %2 个已写入并回读无误</translation>
    </message>
</context>
<context>
    <name>DriveScan</name>
    <message>
        <source>nothing came back: check the wiring (A and B swapped?), the drive&apos;s power, its address and that its communication is switched on</source>
        <translation>无任何回应：检查接线（A、B 是否接反）、变频器电源、地址，以及通讯是否已打开</translation>
    </message>
    <message>
        <source>bytes but no frame: the baud rate or parity may be wrong, or the line is noisy; try the other settings and check the termination</source>
        <translation>字节有但不成帧：波特率或校验可能不对，或线路有干扰；试试其他设置并检查终端电阻</translation>
    </message>
    <message>
        <source>only the request came back: the adapter echoes, or a two-wire bus keeps its receiver on while sending; switch the echo off or use an adapter that turns the line round by itself</source>
        <translation>只收到请求本身的回显：转换器回显，或两线总线发送时接收未关闭；关掉回显或换用自动收发切换的转换器</translation>
    </message>
    <message>
        <source>a device answered from this address, but not as the drive does: another kind of device or another protocol; check the drive&apos;s protocol setting</source>
        <translation>此地址有设备回应，但不是变频器的回应方式：可能是别的设备或别的协议；请检查变频器的通讯协议设置</translation>
    </message>
    <message>
        <source>a drive answered from another address: it is asked at its own next</source>
        <translation>另一地址的变频器回应了：接着按它自己的地址询问</translation>
    </message>
    <message>
        <source>a drive answered: double-click to use this setting and address</source>
        <translation>变频器回应了：双击即可采用此设置和地址</translation>
    </message>
    <message>
        <source>address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>baud rate</source>
        <translation>波特率</translation>
    </message>
    <message>
        <source>format</source>
        <translation>格式</translation>
    </message>
    <message>
        <source>first byte ms</source>
        <translation>首字节 ms</translation>
    </message>
    <message>
        <source>verdict</source>
        <translation>判定</translation>
    </message>
    <message>
        <source>probes</source>
        <translation>试探次数</translation>
    </message>
    <message>
        <source>seen</source>
        <translation>所见</translation>
    </message>
    <message>
        <source>note</source>
        <translation>说明</translation>
    </message>
</context>
<context>
    <name>EntryChecks</name>
    <message>
        <source>a whole number from %1 to %2</source>
        <translation>%1 到 %2 的整数</translation>
    </message>
    <message>
        <source>0 to %1.%2 Hz, at most two decimals</source>
        <translation>0 到 %1.%2 Hz，最多两位小数</translation>
    </message>
</context>
<context>
    <name>EntryGuard</name>
    <message>
        <source>Not sent</source>
        <translation>未发送</translation>
    </message>
    <message>
        <source>%1: enter %2.</source>
        <translation>%1：请输入%2。</translation>
    </message>
</context>
<context>
    <name>ExceptionReply</name>
    <message>
        <source>illegal function</source>
        <translation>非法功能</translation>
    </message>
    <message>
        <source>illegal data address</source>
        <translation>非法数据地址</translation>
    </message>
    <message>
        <source>illegal data value</source>
        <translation>非法数据值</translation>
    </message>
    <message>
        <source>slave device failure</source>
        <translation>从站故障</translation>
    </message>
    <message>
        <source>acknowledge</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>slave device busy</source>
        <translation>从站忙</translation>
    </message>
    <message>
        <source>memory parity error</source>
        <translation>存储奇偶错误</translation>
    </message>
    <message>
        <source>gateway path unavailable</source>
        <translation>网关路径不可用</translation>
    </message>
    <message>
        <source>gateway target device failed to respond</source>
        <translation>网关目标无响应</translation>
    </message>
    <message>
        <source>%1 (no standard name)</source>
        <translation>%1（非标准代码）</translation>
    </message>
</context>
<context>
    <name>ExchangeCore</name>
    <message>
        <source>not sent: %1</source>
        <translation>未发送：%1</translation>
    </message>
    <message>
        <source>not sent: the port is not open</source>
        <translation>未发送：端口未打开</translation>
    </message>
    <message>
        <source>the request came back while it was sent: the adapter echoes, or a two-wire bus keeps its receiver on</source>
        <translation>请求在发送时被送了回来：转换器回显，或两线总线发送时接收未关闭</translation>
    </message>
    <message>
        <source>no drive answered</source>
        <translation>没有变频器回应</translation>
    </message>
</context>
<context>
    <name>ExchangeText</name>
    <message>
        <source>the port is not open</source>
        <translation>端口未打开</translation>
    </message>
    <message>
        <source>nothing arrived</source>
        <translation>没有收到任何字节</translation>
    </message>
    <message>
        <source>received %1</source>
        <translation>收到 %1</translation>
    </message>
    <message>
        <source>received %1: %2</source>
        <translation>收到 %1：%2</translation>
    </message>
</context>
<context>
    <name>History</name>
    <message>
        <source>time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>number</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>direction</source>
        <translation>方向</translation>
    </message>
    <message>
        <source>bytes</source>
        <translation>字节数</translation>
    </message>
    <message>
        <source>hex</source>
        <translation>十六进制</translation>
    </message>
    <message>
        <source>characters</source>
        <translation>字符</translation>
    </message>
    <message>
        <source>verdict</source>
        <translation>判定</translation>
    </message>
    <message>
        <source>first byte ms</source>
        <translation>首字节 ms</translation>
    </message>
    <message>
        <source>last byte ms</source>
        <translation>末字节 ms</translation>
    </message>
    <message>
        <source>note</source>
        <translation>说明</translation>
    </message>
    <message>
        <source>late RXD</source>
        <translation>迟到 RXD</translation>
    </message>
    <message>
        <source>not sent</source>
        <translation>未发送</translation>
    </message>
    <message>
        <source>new run</source>
        <translation>新运行</translation>
    </message>
</context>
<context>
    <name>HistoryWindow</name>
    <message>
        <source>Find: hexadecimal (01 04), characters or a verdict</source>
        <translation>查找：十六进制（01 04）、字符或判定</translation>
    </message>
    <message>
        <source>Problems only</source>
        <translation>只看异常</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>保存…</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Save the selected…</source>
        <translation>保存所选…</translation>
    </message>
    <message>
        <source>Save all…</source>
        <translation>保存全部…</translation>
    </message>
    <message>
        <source>%1 records</source>
        <translation>共 %1 条记录</translation>
    </message>
    <message>
        <source>, %1 shown</source>
        <translation>，显示 %1 条</translation>
    </message>
    <message>
        <source>; the oldest %1 were dropped (at most %2 are kept)</source>
        <translation>；最早的 %1 条已丢弃（最多保留 %2 条）</translation>
    </message>
    <message>
        <source>Text (*.txt)</source>
        <translation>文本 (*.txt)</translation>
    </message>
    <message>
        <source>history-%1.csv</source>
        <translation>通讯记录-%1.csv</translation>
    </message>
    <message>
        <source>Save the exchange history</source>
        <translation>保存通讯记录</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>已保存到 %1</translation>
    </message>
    <message>
        <source>Exchange history — reply timeout %1 ms — typed frames read as %2</source>
        <translation>通讯记录 — 回应超时 %1 ms — 手动帧判定：%2</translation>
    </message>
</context>
<context>
    <name>Judging</name>
    <message>
        <source>automatic</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>the drive&apos;s protocol</source>
        <translation>变频器协议</translation>
    </message>
    <message>
        <source>standard Modbus</source>
        <translation>标准 Modbus</translation>
    </message>
</context>
<context>
    <name>LateReplies</name>
    <message>
        <source>arrived before this program sent any request: another master on the line, or a device that talks on its own</source>
        <translation>在本程序发出任何请求之前到达：线路上有另一个主站，或有设备自行发送</translation>
    </message>
    <message>
        <source>arrived %1 ms after the request of exchange %2, after its capture had ended: the drive answers later than the capture waits</source>
        <translation>在第 %2 次通讯的请求后 %1 ms 到达，那时接收已经结束：变频器回应得比接收等待的时间晚</translation>
    </message>
    <message>
        <source>; %1 of the last %2 replies came late: a reply timeout (回应超时) of %3 ms would catch them</source>
        <translation>；最近 %2 次中有 %1 次回应迟到：回应超时设为 %3 ms 可以收到它们</translation>
    </message>
</context>
<context>
    <name>ListenModel</name>
    <message>
        <source>time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>gap ms</source>
        <translation>间隔 ms</translation>
    </message>
    <message>
        <source>address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>frame</source>
        <translation>帧</translation>
    </message>
    <message>
        <source>meaning</source>
        <translation>含义</translation>
    </message>
    <message>
        <source>verdict</source>
        <translation>判定</translation>
    </message>
    <message>
        <source>response ms</source>
        <translation>回应 ms</translation>
    </message>
</context>
<context>
    <name>ListenWindow</name>
    <message>
        <source>Find the baud rate and data format by listening at each in turn, then select them</source>
        <translation>依次在各波特率和资料格式下监听，找出总线所用的设置并选中</translation>
    </message>
    <message>
        <source>address</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>function</source>
        <translation>功能</translation>
    </message>
    <message>
        <source>every verdict</source>
        <translation>全部判定</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>保存…</translation>
    </message>
    <message>
        <source>requests</source>
        <translation>请求</translation>
    </message>
    <message>
        <source>replies</source>
        <translation>回应</translation>
    </message>
    <message>
        <source>requests/s</source>
        <translation>请求/秒</translation>
    </message>
    <message>
        <source>fastest ms</source>
        <translation>最快 ms</translation>
    </message>
    <message>
        <source>median ms</source>
        <translation>中位 ms</translation>
    </message>
    <message>
        <source>slowest ms</source>
        <translation>最慢 ms</translation>
    </message>
    <message>
        <source>Save the frames heard</source>
        <translation>保存听到的帧</translation>
    </message>
    <message>
        <source>CSV (*.csv);;pcap for Wireshark (*.pcap)</source>
        <translation>CSV (*.csv);;Wireshark 的 pcap (*.pcap)</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>已保存到 %1</translation>
    </message>
    <message>
        <source>Stop listening</source>
        <translation>停止监听</translation>
    </message>
    <message>
        <source>Listen</source>
        <translation>开始监听</translation>
    </message>
    <message>
        <source>Listening on %1: nothing is sent</source>
        <translation>正在监听 %1：本程序不发送</translation>
    </message>
    <message>
        <source>Not listening</source>
        <translation>未在监听</translation>
    </message>
    <message>
        <source>; %1 frames</source>
        <translation>；共 %1 帧</translation>
    </message>
    <message>
        <source>, the oldest %1 dropped</source>
        <translation>，最早的 %1 帧已丢弃</translation>
    </message>
    <message>
        <source>; paused, %1 waiting</source>
        <translation>；已暂停，%1 帧待显示</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
</context>
<context>
    <name>Listening</name>
    <message>
        <source>cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>function %1</source>
        <translation>功能 %1</translation>
    </message>
    <message>
        <source>read parameter %1</source>
        <translation>读参数 %1</translation>
    </message>
    <message>
        <source>write parameter %1 = %2</source>
        <translation>写参数 %1 = %2</translation>
    </message>
    <message>
        <source>start</source>
        <translation>启动</translation>
    </message>
    <message>
        <source>stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>run command %1</source>
        <translation>运行命令 %1</translation>
    </message>
    <message>
        <source>read %1</source>
        <translation>读%1</translation>
    </message>
    <message>
        <source>read monitor item %1</source>
        <translation>读监视项 %1</translation>
    </message>
    <message>
        <source>set frequency %1 Hz</source>
        <translation>设定频率 %1 Hz</translation>
    </message>
    <message>
        <source>parameter %1 = %2</source>
        <translation>参数 %1 = %2</translation>
    </message>
    <message>
        <source>confirmed: %1</source>
        <translation>已确认：%1</translation>
    </message>
    <message>
        <source>%1: from %2, %3 of them</source>
        <translation>%1：起始 %2，共 %3 个</translation>
    </message>
    <message>
        <source>exception %1</source>
        <translation>异常 %1</translation>
    </message>
    <message>
        <source>%1 bytes: %2</source>
        <translation>%1 字节：%2</translation>
    </message>
    <message>
        <source>request</source>
        <translation>请求</translation>
    </message>
    <message>
        <source>reply</source>
        <translation>回应</translation>
    </message>
    <message>
        <source>reply without request</source>
        <translation>无请求的回应</translation>
    </message>
    <message>
        <source>noise</source>
        <translation>噪声</translation>
    </message>
    <message>
        <source>no request heard</source>
        <translation>无请求</translation>
    </message>
    <message>
        <source>no reply heard before the next request or within %1 ms</source>
        <translation>在下一个请求之前或 %1 ms 内没有听到回应</translation>
    </message>
</context>
<context>
    <name>Main</name>
    <message>
        <source>no display: set DISPLAY or WAYLAND_DISPLAY (or QT_QPA_PLATFORM=offscreen)</source>
        <translation>没有显示器：请设置 DISPLAY 或 WAYLAND_DISPLAY（或 QT_QPA_PLATFORM=offscreen）</translation>
    </message>
    <message>
        <source>cannot start the simulated drive: %1</source>
        <translation>无法启动模拟变频器：%1</translation>
    </message>
    <message>
        <source>simulated drive on %1 (COM1)</source>
        <translation>模拟变频器在 %1（COM1）</translation>
    </message>
    <message>
        <source>modbus-debugger %1 started on %2</source>
        <translation>modbus-debugger %1 开始运行，线路 %2</translation>
    </message>
    <message>
        <source>; snapshot %1</source>
        <translation>；快照 %1</translation>
    </message>
    <message>
        <source>; not saved: %1</source>
        <translation>；未保存：%1</translation>
    </message>
    <message>
        <source>armed: %1 (%2); snapshots in %3</source>
        <translation>已布防：%1（%2）；快照保存在 %3</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>%1 to %2 ms</source>
        <translation>%1 到 %2 ms</translation>
    </message>
    <message>
        <source>Interval refused</source>
        <translation>定时间隔无效</translation>
    </message>
    <message>
        <source>Monitoring stopped: timed mode began (the two cannot share the line)</source>
        <translation>监视已停止：定时方式开始了（两者不能同时使用线路）</translation>
    </message>
    <message>
        <source>Exchange history…</source>
        <translation>通讯记录…</translation>
    </message>
    <message>
        <source>%1 (%2), %3 baud, %4</source>
        <translation>%1（%2），%3 波特，%4</translation>
    </message>
    <message>
        <source>no serial device</source>
        <translation>没有串口设备</translation>
    </message>
    <message>
        <source>Answers arrive sooner than this baud rate allows: a USB service port, a virtual port pair or a simulator. Replies are not timed as on a wire here.</source>
        <translation>回应到达得比此波特率所允许的更快：USB 服务口、虚拟串口对或模拟器。此处不按真实线路计算回应时间。</translation>
    </message>
    <message>
        <source>Trend monitor…</source>
        <translation>趋势监视…</translation>
    </message>
    <message>
        <source>Choose the readings to monitor first</source>
        <translation>请先选择要监视的读数</translation>
    </message>
    <message>
        <source>The inverter address (变频地址) is not valid: enter %1</source>
        <translation>变频地址无效：请输入%1</translation>
    </message>
    <message>
        <source>Timed mode is off: monitoring began (the two cannot share the line)</source>
        <translation>定时方式已关闭：监视开始了（两者不能同时使用线路）</translation>
    </message>
    <message>
        <source>Address 0 is a broadcast, which no drive answers: enter the address of one drive</source>
        <translation>地址 0 是广播，没有变频器回应：请输入某一台变频器的地址</translation>
    </message>
    <message>
        <source>not sent: %1</source>
        <translation>未发送：%1</translation>
    </message>
    <message>
        <source>The port is not open; the monitor&apos;s requests did not go out: %1</source>
        <translation>端口未打开，监视的请求未发出：%1</translation>
    </message>
    <message>
        <source>Replies keep coming late (the last %1 ms after its request): a reply timeout (回应超时) of %2 ms would catch them</source>
        <translation>回应连续迟到（最近一次在请求后 %1 ms）：回应超时设为 %2 ms 可以收到它们</translation>
    </message>
    <message>
        <source>the reply came from the drive asked before the inverter address (变频地址) changed to %1</source>
        <translation>此回应来自变频地址改为 %1 之前所询问的变频器</translation>
    </message>
    <message>
        <source>whole, but too short for the value</source>
        <translation>帧完整，但太短，没有数值</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>no tick of timed mode carried the request in time; is the interval long?</source>
        <translation>定时方式没有及时发出这个请求；定时间隔是否太长？</translation>
    </message>
    <message>
        <source>Reply timeout…</source>
        <translation>回应超时…</translation>
    </message>
    <message>
        <source>Reply timeout</source>
        <translation>回应超时</translation>
    </message>
    <message>
        <source>Reply timeout (ms): how long a capture waits for the first byte of a reply</source>
        <translation>回应超时 (ms)：等待回应第一个字节的时间</translation>
    </message>
    <message>
        <source>Reply timeout %1 ms: how long a capture waits for the first byte of a reply (right-click to change)</source>
        <translation>回应超时 %1 ms：等待回应第一个字节的时间（右键修改）</translation>
    </message>
    <message>
        <source>Replies keep coming late: click to raise the reply timeout (回应超时) to %1 ms, which would catch them</source>
        <translation>回应一再迟到：单击此处把回应超时提高到 %1 ms，即可收到它们</translation>
    </message>
    <message>
        <source>Append the check</source>
        <translation>加校验</translation>
    </message>
    <message>
        <source>The text already ended in its LRC; CR LF was added</source>
        <translation>文本已经以正确的 LRC 结尾；已补上 CR LF</translation>
    </message>
    <message>
        <source>The bytes already end in their right check; nothing was changed</source>
        <translation>这些字节已经以正确的校验结尾；没有改动</translation>
    </message>
    <message>
        <source>Type the bytes first: the cells up to the first empty one get the check</source>
        <translation>请先输入字节：到第一个空格子为止的字节加上校验</translation>
    </message>
    <message>
        <source>With its check the frame would not fit the %1 cells</source>
        <translation>加上校验后，帧放不进 %1 个格子</translation>
    </message>
    <message>
        <source>Not pasted: only hexadecimal bytes (&quot;01 03 00 0A&quot;, &quot;0x01,0x03&quot; or &quot;0103000A&quot;) go into the byte cells</source>
        <translation>未粘贴：字节格子只接受十六进制字节（“01 03 00 0A”、“0x01,0x03”或“0103000A”）</translation>
    </message>
    <message>
        <source>Not pasted: a character stands for no byte</source>
        <translation>未粘贴：有字符不对应任何字节</translation>
    </message>
    <message>
        <source>Not pasted: %1 bytes from cell %2 do not fit the %3 cells</source>
        <translation>未粘贴：从第 %2 格起的 %1 个字节放不进 %3 个格子</translation>
    </message>
    <message>
        <source>Standard request…</source>
        <translation>标准请求…</translation>
    </message>
    <message>
        <source>The request takes %1 bytes; the send cells hold %2</source>
        <translation>请求有 %1 字节；发送格子只能放 %2 个</translation>
    </message>
    <message>
        <source>The text starts with &apos;:&apos; but is not pairs of hexadecimal digits; nothing was changed</source>
        <translation>文本以“:”开头，但不是成对的十六进制数字；没有改动</translation>
    </message>
    <message>
        <source>Not pasted: cell %1 is empty, and a frame ends at the first empty cell; paste at cell %2 or before</source>
        <translation>未粘贴：第 %1 格是空的，帧在第一个空格子处结束；请粘贴到第 %2 格或之前</translation>
    </message>
    <message>
        <source>Timed mode is on: switch it off before scanning (the two cannot share the line)</source>
        <translation>定时方式正在运行：查找前请先关闭（两者不能同时使用线路）</translation>
    </message>
    <message>
        <source>The trend monitor is polling: stop it before scanning (the two cannot share the line)</source>
        <translation>趋势监视正在采集：查找前请先停止（两者不能同时使用线路）</translation>
    </message>
    <message>
        <source>查找变频器 is scanning the line: stop the scan first</source>
        <translation>查找变频器正在使用线路：请先停止查找</translation>
    </message>
    <message>
        <source>Timed mode is on: switch it off first (the two cannot share the line)</source>
        <translation>定时方式正在运行：请先关闭（两者不能同时使用线路）</translation>
    </message>
    <message>
        <source>The trend monitor is polling: stop it first (the two cannot share the line)</source>
        <translation>趋势监视正在采集：请先停止（两者不能同时使用线路）</translation>
    </message>
    <message>
        <source>A serial device server in raw TCP mode: its own baud rate and format must match the buttons, which here choose the framing and the timing only</source>
        <translation>原始 TCP 模式的串口服务器：它自己的波特率和资料格式必须与按钮一致，这里的按钮只决定帧格式和接收时序</translation>
    </message>
    <message>
        <source>A serial device server with port control (RFC 2217): the baud-rate and format buttons set its serial port</source>
        <translation>带串口控制（RFC 2217）的串口服务器：波特率和资料格式按钮设定它的串口</translation>
    </message>
    <message>
        <source>The inverter address (变频地址) &quot;%1&quot; is refused: still polling drive %2</source>
        <translation>变频地址“%1”无效：仍在监视变频器 %2</translation>
    </message>
    <message>
        <source>cleared: the value came from drive %1, the inverter address (变频地址) now says %2</source>
        <translation>已清除：该值来自变频器 %1，变频地址现为 %2</translation>
    </message>
    <message>
        <source>Address 0 is a broadcast, which no drive answers: still polling drive %1</source>
        <translation>地址 0 是广播，没有变频器回应：仍在监视变频器 %1</translation>
    </message>
    <message>
        <source>Now polling drive %1; the samples of drive %2 were cleared</source>
        <translation>现在监视变频器 %1；变频器 %2 的采样已清除</translation>
    </message>
    <message>
        <source>Now polling drive %1 in place of drive %2</source>
        <translation>现在监视变频器 %1，代替变频器 %2</translation>
    </message>
    <message>
        <source>Finding the line&apos;s settings: listening at %1…</source>
        <translation>正在查找线路设置：在 %1 监听…</translation>
    </message>
    <message>
        <source>No setting made frames whose check holds: listening at the buttons&apos; setting</source>
        <translation>没有任何设置能听到校验正确的帧：按按钮选定的设置监听</translation>
    </message>
    <message>
        <source>A job is using the line: stop it first</source>
        <translation>有任务正在使用线路：请先停止它</translation>
    </message>
    <message>
        <source>listening to the bus (总线监听): this program sends nothing</source>
        <translation>正在总线监听：本程序不发送</translation>
    </message>
    <message>
        <source>each setting in turn</source>
        <translation>逐一尝试各设置</translation>
    </message>
    <message>
        <source>Polling could not start, so the trigger is not armed</source>
        <translation>监视无法开始，触发未布防</translation>
    </message>
</context>
<context>
    <name>ParameterCommand</name>
    <message>
        <source>paused: %1</source>
        <translation>已暂停：%1</translation>
    </message>
    <message>
        <source>modbus-debugger: cannot open %1: %2</source>
        <translation>modbus-debugger：无法打开 %1：%2</translation>
    </message>
    <message>
        <source>modbus-debugger: %1 was not loaded: %2</source>
        <translation>modbus-debugger：未能载入 %1：%2</translation>
    </message>
    <message>
        <source>P%1: no value (%2)</source>
        <translation>P%1：没有数值（%2）</translation>
    </message>
    <message>
        <source>%1 parameters read, %2 without a value, saved to %3</source>
        <translation>读取 %1 个参数，%2 个没有数值，已保存到 %3</translation>
    </message>
    <message>
        <source>P%1: drive %2, file %3 (%4)</source>
        <translation>P%1：变频器 %2，文件 %3（%4）</translation>
    </message>
    <message>
        <source>P%1 = %2 not written: a multiple of 256 goes out as the bytes of its high byte alone and would arrive as another value</source>
        <translation>P%1 = %2 未写入：256 的倍数只发送其高字节的数值，到达时会变成另一个值</translation>
    </message>
    <message>
        <source>%1 parameter(s) differ</source>
        <translation>%1 个参数不同</translation>
    </message>
    <message>
        <source>nothing written: the drive did not answer the output-frequency reading</source>
        <translation>未写入：变频器没有回应输出频率的读取</translation>
    </message>
    <message>
        <source>nothing written: the drive is running (output frequency %1 Hz); stop it first</source>
        <translation>未写入：变频器正在运行（输出频率 %1 Hz）；请先停机</translation>
    </message>
    <message>
        <source>%1 of %2 parameter(s) written and read back as meant</source>
        <translation>%2 个参数中 %1 个已写入且回读正确</translation>
    </message>
    <message>
        <source>nothing written</source>
        <translation>未写入任何参数</translation>
    </message>
</context>
<context>
    <name>ParameterJobs</name>
    <message>
        <source>written, read back as meant</source>
        <translation>已写入，回读正确</translation>
    </message>
    <message>
        <source>written, but not read back (%1): whether it arrived is unknown</source>
        <translation>已写入，但未能回读（%1）：不知道是否写进</translation>
    </message>
    <message>
        <source>read back %1, not %2: the protocol sends %2 as the bytes %3 00, the same as %4, so this value cannot be written</source>
        <translation>回读为 %1，不是 %2：协议把 %2 发成字节 %3 00，与 %4 相同，所以这个值写不进去</translation>
    </message>
    <message>
        <source>read back %1, not %2: the drive did not take it (a read-only parameter, or one that changes only while stopped)</source>
        <translation>回读为 %1，不是 %2：变频器没有接受（只读参数，或只能在停机时修改的参数）</translation>
    </message>
    <message>
        <source>stopped before its read-back</source>
        <translation>回读之前已停止</translation>
    </message>
</context>
<context>
    <name>ParameterSet</name>
    <message>
        <source>line %1: %2</source>
        <translation>第 %1 行：%2</translation>
    </message>
    <message>
        <source>not a parameter set of this program (it starts with &quot;%1&quot;)</source>
        <translation>不是本程序的参数集（参数集以“%1”开头）</translation>
    </message>
    <message>
        <source>the &quot;%1&quot; row is missing</source>
        <translation>缺少“%1”行</translation>
    </message>
    <message>
        <source>the address is not 0 to %1</source>
        <translation>地址不在 0 到 %1 之间</translation>
    </message>
    <message>
        <source>the column header &quot;%1&quot; is missing</source>
        <translation>缺少列标题“%1”</translation>
    </message>
    <message>
        <source>expected three fields: number, value, verdict</source>
        <translation>应有三个字段：参数号、数值、判定</translation>
    </message>
    <message>
        <source>the parameter number is not 0 to %1</source>
        <translation>参数号不在 0 到 %1 之间</translation>
    </message>
    <message>
        <source>parameter %1 comes twice</source>
        <translation>参数 %1 出现了两次</translation>
    </message>
    <message>
        <source>neither a value nor the verdict why there is none</source>
        <translation>既没有数值，也没有说明为什么没有数值的判定</translation>
    </message>
    <message>
        <source>the value is not 0 to %1 alone</source>
        <translation>数值不是单独的 0 到 %1</translation>
    </message>
    <message>
        <source>equal</source>
        <translation>相同</translation>
    </message>
    <message>
        <source>different</source>
        <translation>不同</translation>
    </message>
    <message>
        <source>only in the first</source>
        <translation>只在第一栏</translation>
    </message>
    <message>
        <source>only in the second</source>
        <translation>只在第二栏</translation>
    </message>
    <message>
        <source>unreadable</source>
        <translation>读不到</translation>
    </message>
</context>
<context>
    <name>ParameterWindow</name>
    <message>
        <source>A parameter that does not read back as written ends the writing</source>
        <translation>回读与写入值不符时停止写入</translation>
    </message>
    <message>
        <source>Paused, the port failed: %1</source>
        <translation>已暂停，端口故障：%1</translation>
    </message>
    <message>
        <source>Another job holds the line; stop it first</source>
        <translation>另一项任务正在使用线路；请先停止它</translation>
    </message>
    <message>
        <source>Parameters are being written. Stop the writing and close? A parameter written but not yet read back is reported as such.</source>
        <translation>正在写入参数。停止写入并关闭吗？已写入但尚未回读的参数会如实报告。</translation>
    </message>
    <message>
        <source>%1 of %2, about %3 s left</source>
        <translation>%1 / %2，约剩 %3 秒</translation>
    </message>
    <message>
        <source>Stopped: %1 parameters read, %2 without a value</source>
        <translation>已停止：读取 %1 个参数，%2 个没有数值</translation>
    </message>
    <message>
        <source>%1 parameters read, %2 without a value</source>
        <translation>读取 %1 个参数，%2 个没有数值</translation>
    </message>
    <message>
        <source>%1 written and read back as meant, %2 not; %3 left unwritten</source>
        <translation>%1 个已写入且回读正确，%2 个不符；%3 个未写</translation>
    </message>
    <message>
        <source>Could not open %1: %2</source>
        <translation>无法打开 %1：%2</translation>
    </message>
    <message>
        <source>%1 was not loaded: %2</source>
        <translation>未能载入 %1：%2</translation>
    </message>
    <message>
        <source>Opened %1</source>
        <translation>已打开 %1</translation>
    </message>
    <message>
        <source>Nothing to save: read the drive&apos;s parameters first</source>
        <translation>没有可保存的内容：请先读取变频器参数</translation>
    </message>
    <message>
        <source>Open the file to write from first</source>
        <translation>请先打开要写入的文件</translation>
    </message>
    <message>
        <source>Nothing differs: nothing to write</source>
        <translation>没有不同：无需写入</translation>
    </message>
    <message>
        <source>Write %1 parameter(s) to the drive at address %2, each read back?</source>
        <translation>把 %1 个参数写入地址 %2 的变频器，每个写后回读？</translation>
    </message>
    <message>
        <source>The protocol sends a multiple of 256 as the bytes of its high byte alone: %1 may arrive as another value; the read-back will tell.</source>
        <translation>协议把 256 的倍数发成只含高字节的字节：%1 可能被当作别的值；回读会说明。</translation>
    </message>
    <message>
        <source>Nothing written: the drive did not answer the output-frequency reading (%1)</source>
        <translation>未写入：变频器没有回应输出频率的读取（%1）</translation>
    </message>
    <message>
        <source>The drive is running (output frequency %1 Hz). Write anyway?</source>
        <translation>变频器正在运行（输出频率 %1 Hz）。仍然写入？</translation>
    </message>
    <message>
        <source>The drive shows 0 Hz, but 启动 was sent to it after the last 停止: it may be running at 0 Hz, and a running drive refuses some parameters. Write anyway?</source>
        <translation>变频器显示 0 Hz，但在上一次停止之后向它发送过启动：它可能正以 0 Hz 运行，而运行中的变频器会拒绝某些参数。仍要写入吗？</translation>
    </message>
    <message>
        <source>%1 equal, %2 different, %3 only in %4, %5 only in %6, %7 unreadable</source>
        <translation>相同 %1，不同 %2，只在%4中 %3，只在%6中 %5，读不到 %7</translation>
    </message>
    <message>
        <source>%1 parameters</source>
        <translation>%1 个参数</translation>
    </message>
    <message>
        <source>Open a parameter set</source>
        <translation>打开参数集</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV (*.csv)</translation>
    </message>
    <message>
        <source>Save the parameter set</source>
        <translation>保存参数集</translation>
    </message>
    <message>
        <source>parameters.csv</source>
        <translation>参数集.csv</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>已保存到 %1</translation>
    </message>
    <message>
        <source>Read the drive first: only what differs from the drive is written</source>
        <translation>请先读取变频器：只写入与变频器不同的参数</translation>
    </message>
    <message>
        <source>The drive&apos;s column was read from address %1, and the inverter address is now %2: read the drive again first</source>
        <translation>变频器栏是从地址 %1 读取的，而变频地址现在是 %2：请先重新读取变频器</translation>
    </message>
    <message>
        <source>Left out: the protocol sends a multiple of 256 as the bytes of its high byte alone, so %1 would arrive as another value; choose such a row to try it anyway.</source>
        <translation>已略去：协议把 256 的倍数发成只含高字节的字节，所以 %1 会被当作别的值；如仍要尝试，请选中该行。</translation>
    </message>
</context>
<context>
    <name>PortMap</name>
    <message>
        <source>cannot read --port %1: expected COMn=PATH with n from 1 to 4</source>
        <translation>无法读取 --port %1：应为 COMn=PATH，n 为 1 到 4</translation>
    </message>
</context>
<context>
    <name>Readings</name>
    <message>
        <source>set-frequency</source>
        <translation>设定频率</translation>
    </message>
    <message>
        <source>output-frequency</source>
        <translation>输出频率</translation>
    </message>
    <message>
        <source>output-current</source>
        <translation>输出电流</translation>
    </message>
    <message>
        <source>output-speed</source>
        <translation>输出转速</translation>
    </message>
    <message>
        <source>bus-voltage</source>
        <translation>母线电压</translation>
    </message>
    <message>
        <source>output-voltage</source>
        <translation>输出电压</translation>
    </message>
    <message>
        <source>counter</source>
        <translation>计数器</translation>
    </message>
    <message>
        <source>temperature</source>
        <translation>变频温度</translation>
    </message>
    <message>
        <source>fault-code</source>
        <translation>故障代码</translation>
    </message>
    <message>
        <source>no reading &quot;%1&quot;; the readings are %2 (or their numbers 0..8)</source>
        <translation>没有读数“%1”；读数有 %2（或它们的编号 0..8）</translation>
    </message>
    <message>
        <source>no reading named</source>
        <translation>没有给出读数</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: a drive&apos;s address is a number from 1 to 247</source>
        <translation>“%1”：变频器地址是 1 到 247 的数</translation>
    </message>
</context>
<context>
    <name>ReplyJudge</name>
    <message>
        <source>%1 bytes arrived, but the frame does not end: the drive may still be sending (raise the reply timeout, 回应超时) or the line cuts the reply</source>
        <translation>收到 %1 字节，但帧没有结束：变频器可能还在发送（请加大回应超时），或线路截断了回应</translation>
    </message>
    <message>
        <source>the bytes from the frame&apos;s start are not a whole %1 frame: check that the drive uses %1 framing</source>
        <translation>从帧头起的字节不是完整的 %1 帧：请确认变频器使用 %1 格式</translation>
    </message>
    <message>
        <source>%1 expected %2, received %3: bytes were changed on the line; check the wiring, the termination and the parity</source>
        <translation>%1 应为 %2，收到 %3：字节在线路上被改变；请检查接线、终端电阻和校验位</translation>
    </message>
    <message>
        <source>address %1 answered, %2 was asked: another device answers on this line, or two share an address</source>
        <translation>地址 %1 回应了，询问的是 %2：线路上另一台设备在回应，或两台设备地址相同</translation>
    </message>
    <message>
        <source>command %1 answered, %2 was asked: the reply belongs to another request</source>
        <translation>回应的命令是 %1，发出的是 %2：这是另一个请求的回应</translation>
    </message>
    <message>
        <source>function %1 answered, %2 was asked: the reply belongs to another request</source>
        <translation>回应的功能是 %1，发出的是 %2：这是另一个请求的回应</translation>
    </message>
    <message>
        <source>the bytes make no frame: no &apos;:&apos; starts one; the drive may use RTU, or the baud rate or parity may be wrong</source>
        <translation>字节不成帧：没有以“:”开头的帧；变频器可能用 RTU 格式，或波特率、校验位不对</translation>
    </message>
    <message>
        <source>the bytes make no frame: none starts with address %1; the baud rate or parity may be wrong, or the drive may use ASCII</source>
        <translation>字节不成帧：没有以地址 %1 开头的帧；波特率或校验位可能不对，或变频器用的是 ASCII 格式</translation>
    </message>
    <message>
        <source>%1 byte(s) before the frame, %2 byte(s) after it</source>
        <translation>帧前多 %1 字节，帧后多 %2 字节</translation>
    </message>
    <message>
        <source>%1 byte(s) before the frame</source>
        <translation>帧前多 %1 字节</translation>
    </message>
    <message>
        <source>%1 byte(s) after the frame</source>
        <translation>帧后多 %1 字节</translation>
    </message>
    <message>
        <source>nothing arrived: check the drive&apos;s address, the line settings (baud rate, format) and the wiring</source>
        <translation>没有收到任何字节：请检查变频器地址、线路设置（波特率、资料格式）和接线</translation>
    </message>
    <message>
        <source>exception %1: the device received the request and refused it; check the address, function and values it asks for</source>
        <translation>异常 %1：设备收到了请求但拒绝执行；请检查请求的地址、功能和数值</translation>
    </message>
    <message>
        <source>a broadcast (address 0): every slave carries it out and none answers</source>
        <translation>广播（地址 0）：每个从站都执行，但都不回应</translation>
    </message>
    <message>
        <source>an answer to a broadcast (address 0), which no slave may answer: another master on the line, or a slave that answers broadcasts</source>
        <translation>广播（地址 0）收到了回应，而从站不应回应广播：线路上有另一个主站，或有从站错误地回应广播</translation>
    </message>
    <message>
        <source>read as standard Modbus</source>
        <translation>按标准 Modbus 判定</translation>
    </message>
    <message>
        <source>read as the drive&apos;s protocol</source>
        <translation>按变频器协议判定</translation>
    </message>
    <message>
        <source>only the request came back: the adapter echoes, or a two-wire bus keeps its receiver on while sending; no drive answered</source>
        <translation>只收到请求本身的回显：转换器回显，或两线总线发送时接收未关闭；没有变频器回应</translation>
    </message>
</context>
<context>
    <name>ResultBox</name>
    <message>
        <source>value read at %1; since then: %2</source>
        <translation>数值读于 %1；之后：%2</translation>
    </message>
    <message>
        <source>waiting for the reply</source>
        <translation>等待回应</translation>
    </message>
    <message>
        <source>value read at %1; %2</source>
        <translation>数值读于 %1；%2</translation>
    </message>
</context>
<context>
    <name>Samples</name>
    <message>
        <source>time_ms,address,reading,raw,value,verdict</source>
        <translation>时间 ms,地址,读数,原始值,数值,判定</translation>
    </message>
</context>
<context>
    <name>SaveFailure</name>
    <message>
        <source>Windows keeps the name %1 for a device; choose another name</source>
        <translation>Windows 把 %1 这个名字留给设备，请另取文件名</translation>
    </message>
    <message>
        <source>it is a folder, not a file</source>
        <translation>这是文件夹，不是文件</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>文件夹 %1 不存在</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 不是文件夹</translation>
    </message>
    <message>
        <source>the file is write-protected</source>
        <translation>文件是只读的</translation>
    </message>
    <message>
        <source>no permission to write in the folder %1; choose another</source>
        <translation>没有在文件夹 %1 中写入的权限；请选择别的文件夹</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>磁盘已满</translation>
    </message>
    <message>
        <source>the system says: %1</source>
        <translation>系统报告：%1</translation>
    </message>
    <message>
        <source>Could not save %1: %2</source>
        <translation>未能保存 %1：%2</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>%1 holds other columns; name a new file</source>
        <translation>%1 的列与此不同；请另取一个文件名</translation>
    </message>
</context>
<context>
    <name>ScanCommand</name>
    <message>
        <source>%1: paused, %2</source>
        <translation>%1：已暂停，%2</translation>
    </message>
    <message>
        <source>%1: going on</source>
        <translation>%1：继续</translation>
    </message>
    <message>
        <source>%1 probes in %2 s</source>
        <translation>试探 %1 次，用时 %2 秒</translation>
    </message>
</context>
<context>
    <name>ScanOptions</name>
    <message>
        <source>no baud rate &quot;%1&quot;: the rates are 4800, 9600, 19200 and 38400</source>
        <translation>没有波特率“%1”：可选 4800、9600、19200 和 38400</translation>
    </message>
    <message>
        <source>no baud rate named</source>
        <translation>没有给出波特率</translation>
    </message>
    <message>
        <source>no data format &quot;%1&quot;: the formats are %2, or rtu, ascii</source>
        <translation>没有资料格式“%1”：可选 %2，或 rtu、ascii</translation>
    </message>
    <message>
        <source>no data format named</source>
        <translation>没有给出资料格式</translation>
    </message>
    <message>
        <source>no address range &quot;%1&quot;: give FIRST-LAST within 1-247, or one address</source>
        <translation>地址范围“%1”无效：请给出 1-247 之内的 起-止，或一个地址</translation>
    </message>
</context>
<context>
    <name>ScanWindow</name>
    <message>
        <source>How long a probe waits for a drive to begin its answer</source>
        <translation>每次试探等待变频器开始回应的时间</translation>
    </message>
    <message>
        <source>Poll the trend&apos;s readings of every drive found</source>
        <translation>监视找到的每台变频器的趋势读数</translation>
    </message>
    <message>
        <source>Read the parameters of every drive found into a folder, a file per drive</source>
        <translation>把找到的每台变频器的参数读到一个文件夹，每台一个文件</translation>
    </message>
    <message>
        <source>Paused, the port failed: %1</source>
        <translation>已暂停，端口故障：%1</translation>
    </message>
    <message>
        <source>The folder for the drives&apos; parameter sets</source>
        <translation>存放各变频器参数集的文件夹</translation>
    </message>
    <message>
        <source>Choose at least one baud rate and one data format</source>
        <translation>请至少选择一种波特率和一种资料格式</translation>
    </message>
    <message>
        <source>The first address is above the last</source>
        <translation>起始地址大于结束地址</translation>
    </message>
    <message>
        <source>%1 of %2 probes, about %3 s left; now at %4 baud, %5</source>
        <translation>已试探 %1 / %2 次，约剩 %3 秒；当前 %4 波特，%5</translation>
    </message>
    <message>
        <source>Paused, the port failed: %1. The scan goes on when it is back.</source>
        <translation>已暂停，端口故障：%1。端口恢复后继续查找。</translation>
    </message>
    <message>
        <source>%1 probes in %2 s: %3 drive(s) found</source>
        <translation>试探 %1 次，用时 %2 秒：找到 %3 台变频器</translation>
    </message>
    <message>
        <source>Stopped. %1; the line settings are as they were.</source>
        <translation>已停止。%1；线路设置已恢复原样。</translation>
    </message>
    <message>
        <source>%1. Double-click a drive found to use it.</source>
        <translation>%1。双击找到的变频器即可采用。</translation>
    </message>
    <message>
        <source>%1. No drive answered: see the notes beside each setting.</source>
        <translation>%1。没有变频器回应：请看各设置旁的说明。</translation>
    </message>
    <message>
        <source>Save the scan&apos;s results</source>
        <translation>保存查找结果</translation>
    </message>
    <message>
        <source>scan.csv</source>
        <translation>查找结果.csv</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV (*.csv)</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>已保存到 %1</translation>
    </message>
    <message>
        <source>%1 probes</source>
        <translation>%1 次试探</translation>
    </message>
    <message>
        <source>Another job holds the line; stop it first</source>
        <translation>另一项任务正在使用线路；请先停止它</translation>
    </message>
    <message>
        <source>drive %1 at %2 baud, %3</source>
        <translation>变频器 %1（%2 波特，%3）</translation>
    </message>
    <message>
        <source>Left out, at another line setting: %1</source>
        <translation>未包括，线路设置不同：%1</translation>
    </message>
    <message>
        <source>Reading the parameters of %1 drive(s)…</source>
        <translation>正在读取 %1 台变频器的参数…</translation>
    </message>
    <message>
        <source>drive %1 did not answer</source>
        <translation>变频器 %1 无回应</translation>
    </message>
    <message>
        <source>Parameters of drive(s) %1 saved to %2</source>
        <translation>变频器 %1 的参数已保存到 %2</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Stopped. %1</source>
        <translation>已停止。%1</translation>
    </message>
</context>
<context>
    <name>SeveralDrives</name>
    <message>
        <source>drive %1: </source>
        <translation>变频器 %1：</translation>
    </message>
    <message>
        <source>parameter</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>drive %1</source>
        <translation>变频器 %1</translation>
    </message>
    <message>
        <source>file</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>无回应</translation>
    </message>
    <message>
        <source>no answer, skipped</source>
        <translation>无回应，已跳过</translation>
    </message>
    <message>
        <source>%1 parameters read, %2 without a value, saved to %3</source>
        <translation>已读取 %1 个参数，%2 个无值，已保存到 %3</translation>
    </message>
    <message>
        <source>%1 of %2 drive(s) done</source>
        <translation>%2 台变频器中 %1 台完成</translation>
    </message>
    <message>
        <source>%1 parameter(s) differ on %2 of %3 drive(s)</source>
        <translation>%1 个参数不同，涉及 %3 台变频器中的 %2 台</translation>
    </message>
</context>
<context>
    <name>Snapshot</name>
    <message>
        <source>Time: %1</source>
        <translation>时间：%1</translation>
    </message>
    <message>
        <source>Trigger: %1</source>
        <translation>触发：%1</translation>
    </message>
    <message>
        <source>Fault code of drive %1: not polled or not answered</source>
        <translation>变频器 %1 的故障代码：未监视或无回应</translation>
    </message>
    <message>
        <source>Fault code of drive %1: %2</source>
        <translation>变频器 %1 的故障代码：%2</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>无回应</translation>
    </message>
    <message>
        <source>Fault code at the end of the snapshot: %1</source>
        <translation>快照结束时的故障代码：%1</translation>
    </message>
    <message>
        <source>Last good value before the trip (up to %1, when the trigger&apos;s reading was last seen without it):</source>
        <translation>跳闸前最后的正常值（截至 %1，即触发读数最后一次未触发时）：</translation>
    </message>
    <message>
        <source>Last good value before the moment:</source>
        <translation>触发前最后的正常值：</translation>
    </message>
    <message>
        <source>  drive %1 %2: %3 at %4</source>
        <translation>  变频器 %1 %2：%3（%4）</translation>
    </message>
    <message>
        <source>  drive %1 %2: none</source>
        <translation>  变频器 %1 %2：无</translation>
    </message>
    <message>
        <source>Span: %1 s before (of %2 s asked), %3 s after; %4 samples</source>
        <translation>时间范围：触发前 %1 秒（要求 %2 秒），触发后 %3 秒；%4 个采样</translation>
    </message>
    <message>
        <source>Line: %1</source>
        <translation>线路：%1</translation>
    </message>
    <message>
        <source>cannot make the folder %1</source>
        <translation>无法建立文件夹 %1</translation>
    </message>
    <message>
        <source>cannot rename %1 to %2</source>
        <translation>无法把 %1 改名为 %2</translation>
    </message>
</context>
<context>
    <name>StandardReply</name>
    <message>
        <source>%1 bytes arrived, but the answer to function %2 does not end: the device may still be sending (raise the reply timeout)</source>
        <translation>收到 %1 字节，但功能 %2 的回应没有结束：设备可能还在发送（请加大回应超时）</translation>
    </message>
    <message>
        <source>the answer does not end: the device may still be sending (raise the reply timeout)</source>
        <translation>回应没有结束：设备可能还在发送（请加大回应超时）</translation>
    </message>
    <message>
        <source>a frame of function %1 with %2 bytes, not the layout of its answer</source>
        <translation>功能 %1 的帧有 %2 字节，不是它的回应格式</translation>
    </message>
    <message>
        <source>function %1 answered with other values than were asked: the reply belongs to another request</source>
        <translation>功能 %1 回应的数值与请求不同：这是另一个请求的回应</translation>
    </message>
    <message>
        <source>a frame came, but not from address %1 with function %2: another device answers, or another request&apos;s reply</source>
        <translation>收到一帧，但不是地址 %1 的功能 %2：另一台设备在回应，或是另一个请求的回应</translation>
    </message>
    <message>
        <source>registers %1</source>
        <translation>寄存器 %1</translation>
    </message>
</context>
<context>
    <name>StandardRequest</name>
    <message>
        <source>the slave address is a number from 0 to 247</source>
        <translation>从站地址应为 0 到 247 的数</translation>
    </message>
    <message>
        <source>the start address is a number from 0 to 65535</source>
        <translation>起始地址应为 0 到 65535 的数</translation>
    </message>
    <message>
        <source>the quantity is a number from 1 to %1</source>
        <translation>数量应为 1 到 %1 的数</translation>
    </message>
    <message>
        <source>a coil is written 1 or 0 (ON/OFF, FF00/0000)</source>
        <translation>线圈写 1 或 0（ON/OFF、FF00/0000）</translation>
    </message>
    <message>
        <source>the value is a number from 0 to 65535</source>
        <translation>数值应为 0 到 65535 的数</translation>
    </message>
    <message>
        <source>write 1 to 1968 coils, each 1 or 0</source>
        <translation>写 1 到 1968 个线圈，每个为 1 或 0</translation>
    </message>
    <message>
        <source>coil %1 is &quot;%2&quot;, not 1 or 0</source>
        <translation>第 %1 个线圈是“%2”，不是 1 或 0</translation>
    </message>
    <message>
        <source>write 1 to 123 registers</source>
        <translation>写 1 到 123 个寄存器</translation>
    </message>
    <message>
        <source>register %1 is &quot;%2&quot;, not a number from 0 to 65535</source>
        <translation>第 %1 个寄存器是“%2”，不是 0 到 65535 的数</translation>
    </message>
    <message>
        <source>the builder knows functions 01 to 06, 0F and 10</source>
        <translation>只能构造功能 01 到 06、0F 和 10</translation>
    </message>
</context>
<context>
    <name>StandardRequestDialog</name>
    <message>
        <source>read coils</source>
        <translation>读线圈</translation>
    </message>
    <message>
        <source>read discrete inputs</source>
        <translation>读离散输入</translation>
    </message>
    <message>
        <source>read holding registers</source>
        <translation>读保持寄存器</translation>
    </message>
    <message>
        <source>read input registers</source>
        <translation>读输入寄存器</translation>
    </message>
    <message>
        <source>write single coil</source>
        <translation>写单个线圈</translation>
    </message>
    <message>
        <source>write single register</source>
        <translation>写单个寄存器</translation>
    </message>
    <message>
        <source>write multiple coils</source>
        <translation>写多个线圈</translation>
    </message>
    <message>
        <source>write multiple registers</source>
        <translation>写多个寄存器</translation>
    </message>
    <message>
        <source>Standard request</source>
        <translation>标准请求</translation>
    </message>
    <message>
        <source>Slave address</source>
        <translation>从站地址</translation>
    </message>
    <message>
        <source>Function</source>
        <translation>功能</translation>
    </message>
    <message>
        <source>Start address (decimal, or hex as 0x0300)</source>
        <translation>起始地址（十进制，或十六进制如 0x0300）</translation>
    </message>
    <message>
        <source>State (1 or 0)</source>
        <translation>状态（1 或 0）</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>数值</translation>
    </message>
    <message>
        <source>States (1 0 1 …)</source>
        <translation>状态（1 0 1 …）</translation>
    </message>
    <message>
        <source>Values (100 0x1A …)</source>
        <translation>数值（100 0x1A …）</translation>
    </message>
    <message>
        <source>Quantity</source>
        <translation>数量</translation>
    </message>
</context>
<context>
    <name>TcpLine</name>
    <message>
        <source>%1: the gateway closed the connection</source>
        <translation>%1：网关关闭了连接</translation>
    </message>
    <message>
        <source>%1: connecting to the gateway…</source>
        <translation>%1：正在连接网关…</translation>
    </message>
    <message>
        <source>%1: the gateway refused the connection; check its address and TCP port</source>
        <translation>%1：网关拒绝连接；请检查它的地址和 TCP 端口</translation>
    </message>
    <message>
        <source>%1: no such host</source>
        <translation>%1：没有这个主机</translation>
    </message>
    <message>
        <source>%1: the gateway cannot be reached; check the network and its address</source>
        <translation>%1：无法到达网关；请检查网络和它的地址</translation>
    </message>
    <message>
        <source>%1: not an address of the form tcp://HOST:PORT or rfc2217://HOST:PORT</source>
        <translation>%1：不是 tcp://主机:端口 或 rfc2217://主机:端口 形式的地址</translation>
    </message>
    <message>
        <source>%1: the gateway does not let its serial port be set (no RFC 2217 port control); set it on the gateway and connect with tcp://</source>
        <translation>%1：网关不允许设定它的串口（没有 RFC 2217 串口控制）；请在网关上设定，并用 tcp:// 连接</translation>
    </message>
    <message>
        <source>%1: the gateway has not confirmed the port settings yet</source>
        <translation>%1：网关尚未确认串口设置</translation>
    </message>
</context>
<context>
    <name>TrendChart</name>
    <message>
        <source>Drive %1: </source>
        <translation>变频器 %1：</translation>
    </message>
    <message>
        <source>trigger</source>
        <translation>触发</translation>
    </message>
    <message>
        <source>Drive %1 %2</source>
        <translation>变频器 %1 %2</translation>
    </message>
    <message>
        <source> (%1, %2 to %3)</source>
        <translation>（%1，%2 到 %3）</translation>
    </message>
</context>
<context>
    <name>TrendWindow</name>
    <message>
        <source>last 10 s</source>
        <translation>最近 10 秒</translation>
    </message>
    <message>
        <source>last minute</source>
        <translation>最近 1 分钟</translation>
    </message>
    <message>
        <source>last 10 minutes</source>
        <translation>最近 10 分钟</translation>
    </message>
    <message>
        <source>all</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Trend monitor</source>
        <translation>趋势监视</translation>
    </message>
    <message>
        <source>Reply timeout (回应超时): how long a capture waits for a reply&apos;s first byte</source>
        <translation>回应超时：等待回应第一个字节的时间</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>保存…</translation>
    </message>
    <message>
        <source>Drive </source>
        <translation>变频器 </translation>
    </message>
    <message>
        <source>Add drive</source>
        <translation>添加变频器</translation>
    </message>
    <message>
        <source>Poll a further drive on the same line alongside the one in 变频地址</source>
        <translation>在同一线路上，与变频地址中的变频器一起监视另一台变频器</translation>
    </message>
    <message>
        <source>Reply timeout</source>
        <translation>回应超时</translation>
    </message>
    <message>
        <source>Save the trend&apos;s samples</source>
        <translation>保存趋势数据</translation>
    </message>
    <message>
        <source>trend-%1.csv</source>
        <translation>趋势-%1.csv</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>已保存到 %1</translation>
    </message>
    <message>
        <source>Drive %1 is the one in 变频地址: tick its readings on the left</source>
        <translation>变频器 %1 就是变频地址中的变频器：请在左边勾选它的读数</translation>
    </message>
    <message>
        <source>Drive %1</source>
        <translation>变频器 %1</translation>
    </message>
    <message>
        <source>Stop polling drive %1</source>
        <translation>停止监视变频器 %1</translation>
    </message>
    <message>
        <source>Drive %1 %2</source>
        <translation>变频器 %1 %2</translation>
    </message>
    <message>
        <source>The drive polled: the inverter address (变频地址) of the main window</source>
        <translation>所监视的变频器：主窗口中的变频地址</translation>
    </message>
    <message>
        <source>Use %1 ms</source>
        <translation>采用 %1 ms</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>not sent %1</source>
        <translation>未发送 %1</translation>
    </message>
    <message>
        <source>Drive %1 does not answer: asked once a round until it does</source>
        <translation>变频器 %1 不回应：在它回应之前每轮只询问一次</translation>
    </message>
    <message>
        <source>achieved %1 /s, the line&apos;s limit %2 /s</source>
        <translation>实际 %1 /s，线路上限 %2 /s</translation>
    </message>
</context>
<context>
    <name>Trigger</name>
    <message>
        <source>&quot;%1&quot;: a trigger is a reading, a comparison and a value, such as fault-code!=0, output-current&gt;12.5 or no-reply&gt;=3</source>
        <translation>“%1”：触发条件由读数、比较符和数值组成，例如 fault-code!=0、output-current&gt;12.5 或 no-reply&gt;=3</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: a drive&apos;s address is a number from 1 to 247</source>
        <translation>“%1”：变频器地址是 1 到 247 的数</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: a value is missing after %2</source>
        <translation>“%1”：%2 后面缺少数值</translation>
    </message>
    <message>
        <source>&quot;%1&quot; after %2 is not a number</source>
        <translation>%2 后面的“%1”不是数</translation>
    </message>
    <message>
        <source>no-reply wants &gt;= or &gt; and a count of polls from 1 to 1000 (no-reply&gt;=3)</source>
        <translation>no-reply 需要 &gt;= 或 &gt;，以及 1 到 1000 的次数（no-reply&gt;=3）</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no reading: the readings are %2, and no-reply</source>
        <translation>“%1”不是读数：读数有 %2，以及 no-reply</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no comparison: use &gt;, &gt;=, &lt;, &lt;=, &lt;&gt; (either way), == or !=</source>
        <translation>“%1”不是比较符：请用 &gt;、&gt;=、&lt;、&lt;=、&lt;&gt;（任一方向）、== 或 !=</translation>
    </message>
    <message>
        <source>drive %1: </source>
        <translation>变频器 %1：</translation>
    </message>
    <message>
        <source>%1 polls in a row without a good answer</source>
        <translation>连续 %1 次没有正常回应</translation>
    </message>
    <message>
        <source>%1 becomes ≠ %2</source>
        <translation>%1 变为 ≠ %2</translation>
    </message>
    <message>
        <source>%1 becomes %2</source>
        <translation>%1 变为 %2</translation>
    </message>
    <message>
        <source>%1 rises to %2</source>
        <translation>%1 升到 %2</translation>
    </message>
    <message>
        <source>%1 rises above %2</source>
        <translation>%1 升过 %2</translation>
    </message>
    <message>
        <source>%1 falls to %2</source>
        <translation>%1 降到 %2</translation>
    </message>
    <message>
        <source>%1 falls below %2</source>
        <translation>%1 降过 %2</translation>
    </message>
    <message>
        <source>%1 crosses %2</source>
        <translation>%1 越过 %2</translation>
    </message>
    <message>
        <source> (hysteresis %1)</source>
        <translation>（回差 %1）</translation>
    </message>
</context>
<context>
    <name>TriggerPanel</name>
    <message>
        <source>Fault code turns non-zero</source>
        <translation>故障代码变为非零</translation>
    </message>
    <message>
        <source>A reading crosses a level</source>
        <translation>读数越过电平</translation>
    </message>
    <message>
        <source>The drive stops answering</source>
        <translation>变频器不再回应</translation>
    </message>
    <message>
        <source>rising above</source>
        <translation>上升越过</translation>
    </message>
    <message>
        <source>falling below</source>
        <translation>下降越过</translation>
    </message>
    <message>
        <source>either way</source>
        <translation>双向</translation>
    </message>
    <message>
        <source>How far the reading must come back before the trigger arms again, so that noise at the level does not fire it again and again</source>
        <translation>读数须回落多少，触发才重新布防，以免电平附近的噪声反复触发</translation>
    </message>
    <message>
        <source> polls in a row</source>
        <translation> 次（连续）</translation>
    </message>
    <message>
        <source> s before</source>
        <translation> 秒（之前）</translation>
    </message>
    <message>
        <source> s after</source>
        <translation> 秒（之后）</translation>
    </message>
    <message>
        <source>Each snapshot goes into a folder of its own in this one</source>
        <translation>每个快照在此文件夹中单独建一个文件夹</translation>
    </message>
    <message>
        <source>Arm again after each</source>
        <translation>每次后重新布防</translation>
    </message>
    <message>
        <source>Double-click opens the snapshot&apos;s folder</source>
        <translation>双击打开快照所在的文件夹</translation>
    </message>
    <message>
        <source>Folder for the snapshots</source>
        <translation>快照文件夹</translation>
    </message>
    <message>
        <source>Disarm</source>
        <translation>撤防</translation>
    </message>
    <message>
        <source>Arm</source>
        <translation>布防</translation>
    </message>
    <message>
        <source>not armed</source>
        <translation>未布防</translation>
    </message>
    <message>
        <source>armed</source>
        <translation>已布防</translation>
    </message>
    <message>
        <source>triggered: keeping the seconds after</source>
        <translation>已触发：正在记录之后的数据</translation>
    </message>
    <message>
        <source>saved</source>
        <translation>已保存</translation>
    </message>
    <message>
        <source>not saved: %1</source>
        <translation>未保存：%1</translation>
    </message>
</context>
<context>
    <name>TripCapture</name>
    <message>
        <source>cannot make the snapshot folder %1</source>
        <translation>无法建立快照文件夹 %1</translation>
    </message>
    <message>
        <source>cannot write in the snapshot folder %1: %2</source>
        <translation>无法写入快照文件夹 %1：%2</translation>
    </message>
    <message>
        <source>the port is lost; polling goes on when it returns</source>
        <translation>端口丢失；恢复后继续监视</translation>
    </message>
    <message>
        <source>the port is back; polling goes on</source>
        <translation>端口已恢复；继续监视</translation>
    </message>
</context>
<context>
    <name>Verdict</name>
    <message>
        <source>good</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>no reply</source>
        <translation>无回应</translation>
    </message>
    <message>
        <source>incomplete</source>
        <translation>不完整</translation>
    </message>
    <message>
        <source>check error</source>
        <translation>校验错误</translation>
    </message>
    <message>
        <source>other answer</source>
        <translation>回应不符</translation>
    </message>
    <message>
        <source>late</source>
        <translation>迟到</translation>
    </message>
    <message>
        <source>exception</source>
        <translation>异常回应</translation>
    </message>
    <message>
        <source>broadcast</source>
        <translation>广播：不应回应</translation>
    </message>
</context>
<context>
    <name>serial::QtSerialPort</name>
    <message>
        <source>device removed; it reconnects when it is back</source>
        <translation>设备已拔出；插回后自动重新连接</translation>
    </message>
    <message>
        <source>no such port: the adapter is not plugged in, or Windows gave it another COM number (see the Device Manager under Ports)</source>
        <translation>没有这个端口：适配器没有插上，或 Windows 给了它另一个 COM 号（见设备管理器中的“端口”）</translation>
    </message>
    <message>
        <source>no such device: the adapter is not plugged in</source>
        <translation>没有这个设备：适配器没有插上</translation>
    </message>
    <message>
        <source>in use by another program, or access denied: close the program that holds it (another terminal, the drive maker&apos;s tool)</source>
        <translation>被另一个程序占用或拒绝访问：请关闭占用它的程序（另一个终端程序、变频器厂家的软件）</translation>
    </message>
    <message>
        <source>the device refused the line settings; it may not support them</source>
        <translation>设备拒绝了线路设置；它可能不支持这些设置</translation>
    </message>
    <message>
        <source>cannot be opened: %1</source>
        <translation>无法打开：%1</translation>
    </message>
    <message>
        <source>COM%1: no serial device stands behind this port; name one with --port COM%1=PATH</source>
        <translation>COM%1：这个端口背后没有串口设备；可用 --port COM%1=PATH 指定</translation>
    </message>
    <message>
        <source>the settings &quot;%1&quot; are not a line setting</source>
        <translation>“%1”不是线路设置</translation>
    </message>
</context>
</TS>
