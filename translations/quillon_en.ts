<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CDlgConfigDiff</name>
    <message>
        <source>从文件载入</source>
        <translation>Load from file</translation>
    </message>
    <message>
        <source>与文件比较</source>
        <translation>Compare with file</translation>
    </message>
    <message>
        <source>参数</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>模块中的值</source>
        <translation>Value in module</translation>
    </message>
    <message>
        <source>文件中的值</source>
        <translation>Value in file</translation>
    </message>
    <message>
        <source>密码保护:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>(输入密码后写入设备信息，不输入则不写入设备信息)</source>
        <translation>(with a password the device information is written, without one it is not)</translation>
    </message>
    <message>
        <source>写入模块</source>
        <translation>Write to module</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>开关编码</source>
        <translation>Switch coding</translation>
    </message>
    <message>
        <source>下线</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>空闲</source>
        <translation>Idle</translation>
    </message>
    <message>
        <source>中断配置</source>
        <translation>Interrupt configuration</translation>
    </message>
    <message>
        <source>通讯接口</source>
        <translation>Interface</translation>
    </message>
    <message>
        <source>帧间隔(50us)</source>
        <translation>Frame gap (50 µs)</translation>
    </message>
    <message>
        <source>UART波特率</source>
        <translation>UART baud rate</translation>
    </message>
    <message>
        <source>UART停止位</source>
        <translation>UART stop bits</translation>
    </message>
    <message>
        <source>UART校验位</source>
        <translation>UART parity</translation>
    </message>
    <message>
        <source>APP喂狗时间</source>
        <translation>Application watchdog time</translation>
    </message>
    <message>
        <source>故障默认值(FB Fault Value)</source>
        <translation>Fault values (FB Fault Value)</translation>
    </message>
    <message>
        <source>输入I/O长度</source>
        <translation>Input I/O length</translation>
    </message>
    <message>
        <source>输出I/O长度</source>
        <translation>Output I/O length</translation>
    </message>
    <message>
        <source>节点地址(配置)</source>
        <translation>Node address (configured)</translation>
    </message>
    <message>
        <source>节点波特率(配置)</source>
        <translation>Node baud rate (configured)</translation>
    </message>
    <message>
        <source>厂商ID</source>
        <translation>Vendor ID</translation>
    </message>
    <message>
        <source>产品代码</source>
        <translation>Product code</translation>
    </message>
    <message>
        <source>设备序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>产品名称</source>
        <translation>Product name</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>文件: </source>
        <translation>File: </translation>
    </message>
    <message>
        <source>正在写入: %1 (%2/%3)</source>
        <translation>Writing: %1 (%2/%3)</translation>
    </message>
    <message>
        <source>正在取消...</source>
        <translation>Cancelling...</translation>
    </message>
    <message numerus="yes">
        <source>模块与文件有 %n 处不同。</source>
        <translation>
            <numerusform>The module and the file differ in %n place.</numerusform>
            <numerusform>The module and the file differ in %n places.</numerusform>
        </translation>
    </message>
    <message>
        <source>写入模块将发送这些参数组: %1。</source>
        <translation> Writing to the module sends these groups: %1.</translation>
    </message>
</context>
<context>
    <name>CDlgFbVal</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CMyCugErrorMsg</name>
    <message>
        <source>索引</source>
        <translation>Index</translation>
    </message>
    <message>
        <source>错误码</source>
        <translation>Error code</translation>
    </message>
</context>
<context>
    <name>CPropCfg</name>
    <message>
        <source>串口号:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>搜索模块...</source>
        <translation>Search...</translation>
    </message>
    <message>
        <source>波特率:</source>
        <translation>Baud:</translation>
    </message>
    <message>
        <source>改变波特率</source>
        <translation>Set baud</translation>
    </message>
    <message>
        <source>打开串口</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>输入I/O长度:</source>
        <translation>In length:</translation>
    </message>
    <message>
        <source>输出I/O长度:</source>
        <translation>Out length:</translation>
    </message>
    <message>
        <source>中断配置</source>
        <translation>Interrupt configuration</translation>
    </message>
    <message>
        <source>通信参数</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>节点地址:</source>
        <translation>Node:</translation>
    </message>
    <message>
        <source>CAN波特率:</source>
        <translation>CAN baud:</translation>
    </message>
    <message>
        <source>紧急报文</source>
        <translation>Emergency message</translation>
    </message>
    <message>
        <source>标准错误码:</source>
        <translation>Error code:</translation>
    </message>
    <message>
        <source>自定义:</source>
        <translation>Custom:</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>网络时间标识:</source>
        <translation>Network time:</translation>
    </message>
    <message>
        <source>获取</source>
        <translation>Get</translation>
    </message>
    <message>
        <source>模块状态:</source>
        <translation>State:</translation>
    </message>
    <message>
        <source>设备模式:</source>
        <translation>Device mode:</translation>
    </message>
    <message>
        <source>读取配置</source>
        <translation>Read config</translation>
    </message>
    <message>
        <source>修改配置</source>
        <translation>Write config</translation>
    </message>
    <message>
        <source>关闭串口</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>
已选中这些设置, 按&quot;打开串口&quot;连接模块。</source>
        <translation>
These settings are now selected; press &quot;Open&quot; to connect to the module.</translation>
    </message>
    <message>
        <source>
简化版只能以无校验打开串口, 请用完整版连接此模块。</source>
        <translation>
The simple edition opens ports without parity only; connect to this module with the full edition.</translation>
    </message>
    <message>
        <source>串口未打开!</source>
        <translation>The port is not open.</translation>
    </message>
    <message>
        <source>节点地址输入错误，请重新输入!</source>
        <translation>The node address is not valid; enter it again.</translation>
    </message>
    <message>
        <source>请输入一个介于 0 和 %1 之间的整数。</source>
        <translation>Enter a whole number from 0 to %1.</translation>
    </message>
    <message>
        <source>修改配置成功!</source>
        <translation>Configuration written.</translation>
    </message>
    <message>
        <source>修改波特率成功!</source>
        <translation>Baud rate changed.</translation>
    </message>
    <message>
        <source>修改设备模式成功!</source>
        <translation>Device mode changed.</translation>
    </message>
    <message>
        <source>修改设备模式失败!</source>
        <translation>Changing the device mode failed.</translation>
    </message>
    <message>
        <source>发送紧急代码失败!</source>
        <translation>Sending the emergency code failed.</translation>
    </message>
    <message>
        <source>发送紧急代码成功!</source>
        <translation>Emergency code sent.</translation>
    </message>
    <message>
        <source>获取网络时间标识失败!</source>
        <translation>Reading the network time failed.</translation>
    </message>
</context>
<context>
    <name>CPropCom</name>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>软件流控</source>
        <translation>Software</translation>
    </message>
    <message>
        <source>硬件流控</source>
        <translation>Hardware</translation>
    </message>
    <message>
        <source>无校验</source>
        <translation>None</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>偶校验</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>串口号:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>波特率:</source>
        <translation>Baud:</translation>
    </message>
    <message>
        <source>数据位:</source>
        <translation>Data bits:</translation>
    </message>
    <message>
        <source>停止位:</source>
        <translation>Stop bits:</translation>
    </message>
    <message>
        <source>流控制:</source>
        <translation>Flow:</translation>
    </message>
    <message>
        <source>校验位:</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>搜索模块...</source>
        <translation>Search...</translation>
    </message>
    <message>
        <source>通信监视</source>
        <translation>Wire monitor</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>有</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>线路有回显，但 config.ini 的 [com] echo=1（从不）：写入会被它自己的回显确认，因此不再发送。请把 echo 改为 0（自动）或 2（总是），再重新打开串口。</source>
        <translation>The line echoes, but config.ini says [com] echo=1 (never): a write would be confirmed by its own echo, so none is sent. Set echo to 0 (auto) or 2 (always), then open the port again.</translation>
    </message>
    <message>
        <source>（设置: 从不）</source>
        <translation> (setting: never)</translation>
    </message>
    <message>
        <source>（设置: 总是）</source>
        <translation> (setting: always)</translation>
    </message>
    <message>
        <source>本地回显: </source>
        <translation>Local echo: </translation>
    </message>
    <message>
        <source> 写入已停止</source>
        <translation> writes stopped</translation>
    </message>
    <message>
        <source>打开串口失败!</source>
        <translation>Opening the port failed.</translation>
    </message>
    <message>
        <source>关闭串口失败!</source>
        <translation>Closing the port failed.</translation>
    </message>
    <message>
        <source>
已选中这些设置, 按&quot;打开&quot;连接模块。</source>
        <translation>
These settings are now selected; press &quot;Open&quot; to connect to the module.</translation>
    </message>
</context>
<context>
    <name>CPropGeneral</name>
    <message>
        <source>模块类型:</source>
        <translation>Module type:</translation>
    </message>
    <message>
        <source>现场总线类型:</source>
        <translation>Fieldbus type:</translation>
    </message>
    <message>
        <source>APP喂狗时间:</source>
        <translation>Watchdog:</translation>
    </message>
    <message>
        <source>开关编码:</source>
        <translation>Switch coding:</translation>
    </message>
    <message>
        <source>中断配置</source>
        <translation>Interrupt configuration</translation>
    </message>
    <message>
        <source>通讯接口配置</source>
        <translation>Interface configuration</translation>
    </message>
    <message>
        <source>帧间隔(50us):</source>
        <translation>Gap (50 µs):</translation>
    </message>
    <message>
        <source>波特率:</source>
        <translation>Baud:</translation>
    </message>
    <message>
        <source>数据位:</source>
        <translation>Data:</translation>
    </message>
    <message>
        <source>停止位:</source>
        <translation>Stop:</translation>
    </message>
    <message>
        <source>校验位:</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>使能</source>
        <translation>On</translation>
    </message>
    <message>
        <source>禁止</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Modbus地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>设备异常配置(I/O)</source>
        <translation>Device fault behaviour (I/O)</translation>
    </message>
    <message>
        <source>下线:</source>
        <translation>Offline</translation>
    </message>
    <message>
        <source>空闲:</source>
        <translation>Idle</translation>
    </message>
    <message>
        <source>Tavel模块</source>
        <translation>Tavel module</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>二进制</source>
        <translation>Binary</translation>
    </message>
    <message>
        <source>1位</source>
        <translation>1 bit</translation>
    </message>
    <message>
        <source>2位</source>
        <translation>2 bits</translation>
    </message>
    <message>
        <source>无校验</source>
        <translation>None</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>偶校验</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>冻结</source>
        <translation>Freeze</translation>
    </message>
    <message>
        <source>默认值</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>修改通用配置参数失败!</source>
        <translation>Writing the general parameters failed.</translation>
    </message>
</context>
<context>
    <name>CPropIo</name>
    <message>
        <source>获取中断事件失败!</source>
        <translation>Reading the interrupt events failed.</translation>
    </message>
    <message>
        <source>读取输入数据改变域失败!</source>
        <translation>Reading the input data change field failed.</translation>
    </message>
    <message>
        <source>读取输出数据失败!</source>
        <translation>Reading the output data failed.</translation>
    </message>
    <message>
        <source>写入输入数据失败!</source>
        <translation>Writing the input data failed.</translation>
    </message>
    <message>
        <source>输入I/O长度:</source>
        <translation>In length:</translation>
    </message>
    <message>
        <source>输出I/O长度:</source>
        <translation>Out length:</translation>
    </message>
    <message>
        <source>中断事件:</source>
        <translation>Interrupts:</translation>
    </message>
    <message>
        <source>周期读取</source>
        <translation>Poll</translation>
    </message>
    <message>
        <source>I/O变化指示区(每个位反映输入数据区的8个字节):</source>
        <translation>I/O change field (each bit stands for 8 bytes of the input data):</translation>
    </message>
    <message>
        <source>I/O变化指示区(每个位反映输出数据区的8个字节):</source>
        <translation>I/O change field (each bit stands for 8 bytes of the output data):</translation>
    </message>
    <message>
        <source>输入:</source>
        <translation>Input:</translation>
    </message>
    <message>
        <source>输出:</source>
        <translation>Output:</translation>
    </message>
    <message>
        <source>自设</source>
        <translation>Fixed</translation>
    </message>
    <message>
        <source>加一</source>
        <translation>+1</translation>
    </message>
    <message>
        <source>写数据</source>
        <translation>Write data</translation>
    </message>
    <message>
        <source>定时写入(ms)</source>
        <translation>Every (ms)</translation>
    </message>
    <message>
        <source>读数据</source>
        <translation>Read data</translation>
    </message>
    <message>
        <source>定时读取(ms)</source>
        <translation>Every (ms)</translation>
    </message>
    <message>
        <source>停止读取</source>
        <translation>Stop reading</translation>
    </message>
</context>
<context>
    <name>CPropProtocol</name>
    <message>
        <source>模块状态:</source>
        <translation>State:</translation>
    </message>
    <message>
        <source>现场总线状态:</source>
        <translation>Bus status:</translation>
    </message>
    <message>
        <source>通信参数</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>节点地址(配置):</source>
        <translation>Node (config):</translation>
    </message>
    <message>
        <source>节点波特率(配置):</source>
        <translation>Baud (config):</translation>
    </message>
    <message>
        <source>节点地址(实际):</source>
        <translation>Node (actual):</translation>
    </message>
    <message>
        <source>节点波特率(实际):</source>
        <translation>Baud (actual):</translation>
    </message>
    <message>
        <source>设备信息</source>
        <translation>Device information</translation>
    </message>
    <message>
        <source>密码保护:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>(输入密码后改变密码保护信息)</source>
        <translation>(a password changes the protection)</translation>
    </message>
    <message>
        <source>厂商ID:</source>
        <translation>Vendor ID:</translation>
    </message>
    <message>
        <source>设备序列号:</source>
        <translation>Serial no.:</translation>
    </message>
    <message>
        <source>产品代码:</source>
        <translation>Code:</translation>
    </message>
    <message>
        <source>产品名称:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>紧急报文</source>
        <translation>Emergency message</translation>
    </message>
    <message>
        <source>标准错误码:</source>
        <translation>Error code:</translation>
    </message>
    <message>
        <source>自定义:</source>
        <translation>Custom:</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>错误消息:</source>
        <translation>Errors:</translation>
    </message>
    <message>
        <source>获取</source>
        <translation>Get</translation>
    </message>
    <message>
        <source>网络时间标识:</source>
        <translation>Network time:</translation>
    </message>
    <message>
        <source>节点地址输入错误，请重新输入!</source>
        <translation>The node address is not valid; enter it again.</translation>
    </message>
    <message>
        <source>请输入一个介于 0 和 %1 之间的整数。</source>
        <translation>Enter a whole number from 0 to %1.</translation>
    </message>
    <message>
        <source>发送紧急代码成功!</source>
        <translation>Emergency code sent.</translation>
    </message>
    <message>
        <source>发送紧急代码失败!</source>
        <translation>Sending the emergency code failed.</translation>
    </message>
    <message>
        <source>获取错误消息失败!</source>
        <translation>Reading the error messages failed.</translation>
    </message>
    <message>
        <source>获取网络时间标识失败!</source>
        <translation>Reading the network time failed.</translation>
    </message>
</context>
<context>
    <name>CQuillonApp</name>
    <message>
        <source>请先阅读提供的用户手册及相关文档，再使用本模块！</source>
        <translation>Please read the user manual and the related documents before using this module.</translation>
    </message>
</context>
<context>
    <name>CQuillonDlg</name>
    <message>
        <source>Tavel VX31 完整版 V1.11</source>
        <translation>Tavel VX31 Full Edition V1.11</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>通用参数</source>
        <translation>General</translation>
    </message>
    <message>
        <source>IO参数</source>
        <translation>I/O</translation>
    </message>
    <message>
        <source>现场总线</source>
        <translation>Fieldbus</translation>
    </message>
    <message>
        <source>读取配置</source>
        <translation>Read config</translation>
    </message>
    <message>
        <source>修改配置</source>
        <translation>Write config</translation>
    </message>
    <message>
        <source>设备模式:</source>
        <translation>Device mode:</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>保存到文件...</source>
        <translation>Save to file...</translation>
    </message>
    <message>
        <source>从文件载入...</source>
        <translation>Load from file...</translation>
    </message>
    <message>
        <source>与文件比较...</source>
        <translation>Compare...</translation>
    </message>
    <message>
        <source>主题</source>
        <translation>Theme</translation>
    </message>
    <message>
        <source>串口未打开!</source>
        <translation>The port is not open.</translation>
    </message>
    <message>
        <source>修改配置成功!</source>
        <translation>Configuration written.</translation>
    </message>
    <message>
        <source>修改设备模式失败!</source>
        <translation>Changing the device mode failed.</translation>
    </message>
    <message>
        <source>修改设备模式成功!</source>
        <translation>Device mode changed.</translation>
    </message>
    <message>
        <source>保存到文件</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>选择配置文件</source>
        <translation>Choose a configuration file</translation>
    </message>
    <message>
        <source>配置文件 (*.json);;所有文件 (*)</source>
        <translation>Configuration files (*.json);;All files (*)</translation>
    </message>
    <message>
        <source>保存配置文件失败!
</source>
        <translation>Saving the configuration file failed.
</translation>
    </message>
    <message>
        <source>配置已保存到文件:
</source>
        <translation>Configuration saved to the file:
</translation>
    </message>
    <message>
        <source>读取配置文件失败!
</source>
        <translation>Reading the configuration file failed.
</translation>
    </message>
    <message>
        <source>配置文件不适用于此模块!
</source>
        <translation>The configuration file does not fit this module.
</translation>
    </message>
    <message>
        <source>模块配置与文件相同，无需写入。</source>
        <translation>The module&apos;s configuration is the same as the file&apos;s; nothing to write.</translation>
    </message>
    <message>
        <source>模块配置与文件相同。</source>
        <translation>The module&apos;s configuration is the same as the file&apos;s.</translation>
    </message>
    <message>
        <source>
重新读取配置: </source>
        <translation>
Reading the configuration again: </translation>
    </message>
    <message>
        <source>Tavel VX31 简化版 V1.02</source>
        <translation>Tavel VX31 Simple Edition V1.02</translation>
    </message>
    <message>
        <source>配置</source>
        <translation>Configuration</translation>
    </message>
    <message>
        <source>通信</source>
        <translation>Exchanges</translation>
    </message>
    <message>
        <source>从文件载入配置失败!</source>
        <translation>Loading the configuration from the file failed.</translation>
    </message>
    <message>
        <source>从文件载入配置成功!</source>
        <translation>Configuration loaded from the file.</translation>
    </message>
    <message>
        <source>没有写入任何参数。</source>
        <translation>No parameter was written.</translation>
    </message>
    <message>
        <source>已写入: </source>
        <translation>Written: </translation>
    </message>
    <message>
        <source>写入失败: </source>
        <translation>Failed: </translation>
    </message>
    <message>
        <source>（现场总线输入密码错误!）</source>
        <translation> (wrong fieldbus password)</translation>
    </message>
    <message>
        <source>（未输入密码）</source>
        <translation> (no password given)</translation>
    </message>
    <message>
        <source>未写入: </source>
        <translation>Not written: </translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>从文件载入配置已取消!</source>
        <translation>Loading the configuration was cancelled.</translation>
    </message>
</context>
<context>
    <name>CanBitRate</name>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>IntBox</name>
    <message>
        <source>请输入一个整数。</source>
        <translation>Enter a whole number.</translation>
    </message>
    <message>
        <source>请输入一个介于 %1 和 %2 之间的整数。</source>
        <translation>Enter a whole number from %1 to %2.</translation>
    </message>
</context>
<context>
    <name>ModuleSearch</name>
    <message>
        <source>正在搜索模块: %1, %2, %3</source>
        <translation>Searching for the module: %1, %2, %3</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>偶校验</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>无校验</source>
        <translation>None</translation>
    </message>
    <message>
        <source>正在搜索模块...</source>
        <translation>Searching for the module...</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>搜索模块</source>
        <translation>Search for module</translation>
    </message>
    <message>
        <source>找到模块: 串口 %1。线路设置由服务器决定, 不由本程序设置。</source>
        <translation>Module found: port %1. The server sets the line settings, not this program.</translation>
    </message>
    <message>
        <source>找到模块: 串口 %1, 波特率 %2, 数据位 8, %3, 停止位 1。</source>
        <translation>Module found: port %1, %2 baud, 8 data bits, %3, 1 stop bit.</translation>
    </message>
    <message>
        <source> (线路设置由服务器决定, 只尝试一次)</source>
        <translation> (line settings fixed by the server, tried once)</translation>
    </message>
    <message>
        <source>未找到模块。已尝试: %1; 波特率 2400 至 614400, 无校验、偶校验和奇校验, 数据位 8, 停止位 1 (共 %2 次)。</source>
        <translation>No module found. Tried: %1; 2400 to 614400 baud, no, even and odd parity, 8 data bits, 1 stop bit (%2 tries).</translation>
    </message>
    <message>
        <source>没有可搜索的串口设备。</source>
        <translation>There is no serial device to search.</translation>
    </message>
</context>
<context>
    <name>ModuleWorker</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>正在取消...</source>
        <translation>Cancelling...</translation>
    </message>
</context>
<context>
    <name>NetworkPortDialog</name>
    <message>
        <source>RFC 2217 串口服务器（rfc2217://）</source>
        <translation>RFC 2217 serial server (rfc2217://)</translation>
    </message>
    <message>
        <source>TCP 透传（socket://）</source>
        <translation>Raw TCP (socket://)</translation>
    </message>
    <message>
        <source>Modbus TCP 网关（modbus-tcp://）</source>
        <translation>Modbus TCP gateway (modbus-tcp://)</translation>
    </message>
    <message>
        <source>添加网络端口</source>
        <translation>Add network port</translation>
    </message>
    <message>
        <source>类型:</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>主机:</source>
        <translation>Host:</translation>
    </message>
    <message>
        <source>端口:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>地址:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>网络连接不加密：跨越不可信的网络时，请通过 SSH 隧道连接。</source>
        <translation>Network connections are not encrypted: across an untrusted network, connect through an SSH tunnel.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>请输入服务器的主机名或 IP 地址。</source>
        <translation>Enter the server&apos;s host name or IP address.</translation>
    </message>
</context>
<context>
    <name>PortComboBox</name>
    <message>
        <source>添加网络端口...</source>
        <translation>Add network port...</translation>
    </message>
    <message>
        <source>无法写入 config.ini：网络端口没有保存。</source>
        <translation>Cannot write config.ini: the network port was not saved.</translation>
    </message>
    <message>
        <source>串口号 1 至 255 都已有设备：请先在 config.ini 的 [ports] 中删除不再使用的条目。</source>
        <translation>Port numbers 1 to 255 are all taken: first remove the entries no longer used from [ports] in config.ini.</translation>
    </message>
</context>
<context>
    <name>PortMessages</name>
    <message>
        <source>打开串口失败!</source>
        <translation>Opening the port failed.</translation>
    </message>
</context>
<context>
    <name>ProcedureMessages</name>
    <message>
        <source>获取通用参数失败!</source>
        <translation>Reading the general parameters failed.</translation>
    </message>
    <message>
        <source>获取 I/O 参数失败!</source>
        <translation>Reading the I/O parameters failed.</translation>
    </message>
    <message>
        <source>获取现场总线参数失败!</source>
        <translation>Reading the fieldbus parameters failed.</translation>
    </message>
    <message>
        <source>现场总线输入密码错误!</source>
        <translation>Wrong fieldbus password.</translation>
    </message>
    <message>
        <source>修改通用配置参数失败!</source>
        <translation>Writing the general parameters failed.</translation>
    </message>
    <message>
        <source>修改 I/O 配置参数失败!</source>
        <translation>Writing the I/O parameters failed.</translation>
    </message>
    <message>
        <source>修改现场总线节点地址配置参数失败!</source>
        <translation>Writing the fieldbus node address failed.</translation>
    </message>
    <message>
        <source>修改现场总线波特率配置参数失败!</source>
        <translation>Writing the fieldbus baud rate failed.</translation>
    </message>
    <message>
        <source>修改现场总线配置参数失败!</source>
        <translation>Writing the fieldbus parameters failed.</translation>
    </message>
    <message>
        <source>修改中断配置参数失败!</source>
        <translation>Writing the interrupt configuration failed.</translation>
    </message>
    <message>
        <source>修改波特率失败!</source>
        <translation>Changing the baud rate failed.</translation>
    </message>
    <message>
        <source>通用参数</source>
        <translation>General</translation>
    </message>
    <message>
        <source>I/O 参数</source>
        <translation>I/O</translation>
    </message>
    <message>
        <source>现场总线参数</source>
        <translation>Fieldbus</translation>
    </message>
    <message>
        <source>读取配置已取消。
已读取: </source>
        <translation>Reading the configuration was cancelled.
Read: </translation>
    </message>
    <message>
        <source>无</source>
        <translation>none</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>正在读取配置...</source>
        <translation>Reading the configuration...</translation>
    </message>
</context>
<context>
    <name>TraceOption</name>
    <message>
        <source>它是文件夹</source>
        <translation>it is a folder</translation>
    </message>
    <message>
        <source>它是命名管道 (FIFO)</source>
        <translation>it is a named pipe (FIFO)</translation>
    </message>
    <message>
        <source>它是字符设备（例如串口）</source>
        <translation>it is a character device (a serial port, say)</translation>
    </message>
    <message>
        <source>它是块设备</source>
        <translation>it is a block device</translation>
    </message>
    <message>
        <source>它是套接字</source>
        <translation>it is a socket</translation>
    </message>
    <message>
        <source>它不是普通文件</source>
        <translation>it is not a regular file</translation>
    </message>
    <message>
        <source>，不是普通文件</source>
        <translation>, not a regular file</translation>
    </message>
    <message>
        <source>无法写入跟踪文件 %1：%2。
程序继续运行，不记录跟踪。</source>
        <translation>Cannot write the trace file %1: %2.
The program goes on without a trace.</translation>
    </message>
</context>
<context>
    <name>WireMonitor</name>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>保存...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>保存通信记录</source>
        <translation>Save the exchanges</translation>
    </message>
    <message>
        <source>文本文件 (*.txt);;所有文件 (*)</source>
        <translation>Text files (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>保存通信记录失败: </source>
        <translation>Saving the exchanges failed: </translation>
    </message>
    <message>
        <source>分离窗口</source>
        <translation>Detach</translation>
    </message>
    <message>
        <source>通信监视在独立窗口中。</source>
        <translation>The wire monitor is in a window of its own.</translation>
    </message>
    <message>
        <source>放回</source>
        <translation>Put back</translation>
    </message>
    <message>
        <source>通信监视</source>
        <translation>Wire monitor</translation>
    </message>
</context>
</TS>
