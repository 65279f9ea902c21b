// "保存到文件...", "从文件载入..." and "与文件比较..." of the full edition's
// main window against the module simulator: a saved module copied into
// another, the frames a load sends, the password of the device information,
// and the failures that stop an operation before anything is written.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>
#include <iterator>

#include "config_files.h"
#include "cpropgeneral.h"
#include "cpropprotocol.h"
#include "full_harness.h"
#include "messagerecorder.h"
#include "moduleworker.h"
#include "tempdir.h"
#include "text_language_guard.h"

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The groups as the messages name them, in the order they are written.
const char* const kGroupNames[] = {"开关编码、下线/空闲和中断配置",
                                   "通讯接口配置",
                                   "APP喂狗时间和故障默认值",
                                   "I/O长度",
                                   "节点地址",
                                   "节点波特率",
                                   "设备信息"};

std::vector<Bytes> ThreeReads() {
    return {ReadRequest(0x5001, 31), ReadRequest(0x6001, 11), ReadRequest(0x7001, 66)};
}

// Reads, then `writes`, then the reads that refill the pages.
std::vector<Bytes> LoadFrames(const std::vector<Bytes>& writes) {
    std::vector<Bytes> frames = ThreeReads();
    frames.insert(frames.end(), writes.begin(), writes.end());
    for (const Bytes& read : ThreeReads()) frames.push_back(read);
    return frames;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

Bytes Slice(const uint8_t* block, size_t first, size_t count) {
    return Bytes(block + first, block + first + count);
}

struct Range {
    size_t first;
    size_t count;
};
// Held bytes that a load writes, by block: the frames of "修改配置" minus
// the Modbus address and CRC (0x500F-0x5010), which stay the module's own.
const Range kGeneralWritten[] = {{10, 8}, {20, 8}, {32, 30}};
const Range kIoWritten[] = {{0, 4}};
const Range kFieldbusWritten[] = {{6, 2}, {10, 2}, {20, 44}};

QString Caption(QWidget* page, const char* name) {
    return page->findChild<QComboBox*>(QString::fromUtf8(name))->currentText();
}

// Must show: a module saved and loaded into a second one holding other
// values makes the second its twin, apart from what no load writes.
TEST(ConfigFiles, SavedFileMakesASecondModuleTheTwinOfTheFirst) {
    Station a;
    Station b;
    ASSERT_TRUE(a.Open());
    ASSERT_TRUE(b.Open());
    a.Set({{0x5012, 0xA0A1}, {0x501F, 0x1B1C}});
    // Other values in every writable field but the product code, and an
    // identity of its own.
    b.Set({{0x5005, 0x0F00}, {0x5006, 1},      {0x5007, 2},      {0x5008, 1},      {0x5009, 0x0003},
           {0x500B, 0},      {0x500C, 0x0100}, {0x500D, 40},     {0x500E, 0x8A02}, {0x500F, 7},
           {0x5010, 1},      {0x5011, 2500},   {0x5013, 0x1122}, {0x6001, 32},     {0x6002, 8},
           {0x7004, 30},     {0x7005, 99},     {0x7006, 4},      {0x7007, 4},      {0x7008, 0x0200},
           {0x700B, 0x0001}, {0x700F, 0x1999}, {0x7011, 0x4142}});
    MessageRecorder messages;
    TempDir files;
    const QString path = QString::fromStdString(files.file("vx31.json"));

    int asked = 0;
    a.dlg->SetFileChooser([&](CQuillonDlg::FileUse use) {
        EXPECT_EQ(use, CQuillonDlg::FileUse::Save);
        ++asked;
        return path;
    });
    a.sim.ClearRequests();
    QTest::mouseClick(a.dlg->saveFileButton(), Qt::LeftButton);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(messages.messages(), QStringList{U("配置已保存到文件:\n") + path});
    EXPECT_EQ(a.sim.Requests(), ThreeReads());
    EXPECT_NE(FileText(path.toStdString()).find("\"watchdog_ms\": 1000"), std::string::npos);

    const std::vector<Bytes> writes = {
        WriteMany(0x5006, a.Wire(0x5006, 4)),
        // The Modbus address goes back as the module holds it.
        WriteMany(0x500B, WireBytes({a.sim.Register(0x500B), a.sim.Register(0x500C),
                                     a.sim.Register(0x500D), a.sim.Register(0x500E), 7})),
        WriteMany(0x5011, a.Wire(0x5011, 15)), WriteMany(0x6001, a.Wire(0x6001, 2)),
        WriteOne(0x7004, 0x0025), WriteOne(0x7006, 2), WriteOne(0x7003, 0x1234),
        WriteMany(0x700B, a.Wire(0x700B, 22))};

    messages.clear();
    b.sim.ClearRequests();
    b.dlg->SetFileChooser([&](CQuillonDlg::FileUse use) {
        EXPECT_EQ(use, CQuillonDlg::FileUse::Open);
        return path;
    });
    std::vector<std::vector<QString>> rows;
    bool passwordAsked = false;
    EXPECT_TRUE(WithDiffDialog([&] { QTest::mouseClick(b.dlg->loadFileButton(), Qt::LeftButton); },
                               [&](CDlgConfigDiff* dialog) {
                                   rows = DiffRows(dialog);
                                   passwordAsked = dialog->passwordEdit()->isVisible();
                                   WriteWith("1234")(dialog);
                               }));
    EXPECT_TRUE(passwordAsked);
    QStringList keys;
    for (const auto& row : rows) keys << row[0].section(' ', -1);
    EXPECT_EQ(keys.join(' ').toStdString(),
              "general.switch_coding general.offline general.idle general.interrupts "
              "general.interface general.cpha general.cpol general.frame_interval_50us "
              "general.baud_rate general.stop_bits general.parity general.watchdog_ms "
              "general.fault_values io.input_length io.output_length fieldbus.node_address "
              "fieldbus.bit_rate fieldbus.vendor_id fieldbus.serial_number fieldbus.product_name");
    ASSERT_EQ(rows.size(), 20u);
    EXPECT_EQ(rows[11],
              (std::vector<QString>{U("APP喂狗时间  general.watchdog_ms"), U("2500"), U("1000")}));

    QStringList all;
    for (const char* name : kGroupNames) all << U(name);
    EXPECT_EQ(messages.messages(),
              QStringList{U("从文件载入配置成功!\n已写入: ") + all.join(U("、"))});
    EXPECT_EQ(b.sim.Requests(), LoadFrames(writes));
    // The pages were read back: they show the module as it is now.
    EXPECT_EQ(Caption(b.dlg->generalPage(), "switchCoding"), U("BCD"));
    EXPECT_EQ(b.dlg->fieldbusPage()->findChild<QLineEdit*>("nodeAddressConfigured")->text(),
              U("25"));

    // Both read back: the same in everything a load writes ...
    messages.clear();
    QTest::mouseClick(a.dlg->readButton(), Qt::LeftButton);
    QTest::mouseClick(b.dlg->readButton(), Qt::LeftButton);
    EXPECT_TRUE(messages.messages().isEmpty());
    for (const Range& r : kGeneralWritten)
        EXPECT_EQ(Slice(b.dlg->generalBlock(), r.first, r.count),
                  Slice(a.dlg->generalBlock(), r.first, r.count))
            << "general byte " << r.first;
    for (const Range& r : kIoWritten)
        EXPECT_EQ(Slice(b.dlg->ioBlock(), r.first, r.count),
                  Slice(a.dlg->ioBlock(), r.first, r.count));
    for (const Range& r : kFieldbusWritten)
        EXPECT_EQ(Slice(b.dlg->fieldbusBlock(), r.first, r.count),
                  Slice(a.dlg->fieldbusBlock(), r.first, r.count))
            << "fieldbus byte " << r.first;
    // ... and the second keeps its own status, address and actual values.
    EXPECT_EQ(b.Registers(0x500F, 2), (std::vector<uint16_t>{7, 1}));
    EXPECT_EQ(b.sim.Register(0x5005), 0x0F00);
    EXPECT_EQ(b.Registers(0x7005, 4), (std::vector<uint16_t>{99, 2, 4, 0x0200}));
}

// Must show: only the frames of the groups that differ, and none when
// nothing differs.
TEST(ConfigFiles, LoadWritesExactlyTheFramesOfTheGroupsThatDiffer) {
    Station s;
    ASSERT_TRUE(s.Open());
    MessageRecorder messages;
    TempDir files;
    const QString path = QString::fromStdString(files.file("saved.json"));
    s.dlg->SaveToFile(path);
    ASSERT_EQ(messages.messages(), QStringList{U("配置已保存到文件:\n") + path});
    const Bytes interfaceData = s.Wire(0x500B, 5);

    s.Set({{0x500E, 0x8506}, {0x7006, 7}});  // odd parity, 20 kbit/s
    messages.clear();
    s.sim.ClearRequests();
    std::vector<std::vector<QString>> rows;
    bool passwordAsked = true;
    EXPECT_TRUE(WithDiffDialog([&] { s.dlg->LoadFromFile(path); },
                               [&](CDlgConfigDiff* dialog) {
                                   rows = DiffRows(dialog);
                                   passwordAsked = dialog->passwordEdit()->isVisible();
                                   WriteWith(nullptr)(dialog);
                               }));
    EXPECT_FALSE(passwordAsked);
    EXPECT_EQ(rows, (std::vector<std::vector<QString>>{
                        {U("UART校验位  general.parity"), U("odd"), U("none")},
                        {U("节点波特率(配置)  fieldbus.bit_rate"), U("7"), U("2")}}));
    EXPECT_EQ(messages.messages(),
              QStringList{U("从文件载入配置成功!\n已写入: 通讯接口配置、节点波特率")});
    EXPECT_EQ(s.sim.Requests(),
              LoadFrames({WriteMany(0x500B, interfaceData), WriteOne(0x7006, 2)}));
    EXPECT_EQ(s.sim.Register(0x500E), 0x8406);
    EXPECT_EQ(s.dlg->generalBlock()[27], 0x84);

    // Now nothing differs: no dialog, no frame.
    for (bool load : {true, false}) {
        messages.clear();
        s.sim.ClearRequests();
        EXPECT_FALSE(
            WithDiffDialog([&] { load ? s.dlg->LoadFromFile(path) : s.dlg->CompareWithFile(path); },
                           WriteWith(nullptr)));
        EXPECT_EQ(messages.messages(), QStringList{load ? U("模块配置与文件相同，无需写入。")
                                                        : U("模块配置与文件相同。")});
        EXPECT_EQ(s.sim.Requests(), ThreeReads());
    }
}

TEST(ConfigFiles, CancelStopsALoadBeforeTheNextGroupAndTellsWhatWasWritten) {
    Station s;
    ASSERT_TRUE(s.Open());
    MessageRecorder messages;
    TempDir files;
    const QString path = QString::fromStdString(files.file("saved.json"));
    s.dlg->SaveToFile(path);
    const std::vector<Bytes> groupFrames = {
        WriteMany(0x5006, s.Wire(0x5006, 4)), WriteMany(0x6001, s.Wire(0x6001, 2)),
        WriteOne(0x7004, s.sim.Register(0x7004)), WriteOne(0x7006, s.sim.Register(0x7006))};
    const QStringList groupNames = {U("开关编码、下线/空闲和中断配置"), U("I/O长度"), U("节点地址"),
                                    U("节点波特率")};
    const std::vector<uint16_t> saved = {s.sim.Register(0x5006), s.sim.Register(0x6001),
                                         s.sim.Register(0x7004), s.sim.Register(0x7006)};
    const std::vector<uint16_t> changed = {1, 32, 30, 4};
    const uint16_t addresses[] = {0x5006, 0x6001, 0x7004, 0x7006};
    for (int g = 0; g < 4; ++g) s.sim.SetRegister(addresses[g], changed[g]);
    messages.clear();
    s.sim.ClearRequests();

    // "取消" while the second group is on the line: every write lingers a
    // little in the module, well within the answer's time-out (117 ms) even
    // on a loaded machine.
    EXPECT_TRUE(WithDiffDialog([&] { s.dlg->LoadFromFile(path); },
                               [&](CDlgConfigDiff* dialog) {
                                   QObject::connect(s.dlg->worker(), &ModuleWorker::stepStarted,
                                                    dialog,
                                                    [dialog](int done, int, const QString&) {
                                                        if (done == 1) dialog->reject();
                                                    });
                                   s.sim.InjectFault(ModuleSimulator::Fault::Delay, 4, 30);
                                   WriteWith(nullptr)(dialog);
                               }));
    // The groups before the stop went out whole, none after it.
    const auto requests = s.sim.Requests();
    ASSERT_GE(requests.size(), 7u);
    const size_t written = requests.size() - 6;
    ASSERT_GE(written, 1u);
    ASSERT_LT(written, 4u);
    EXPECT_EQ(requests,
              LoadFrames(std::vector<Bytes>(groupFrames.begin(), groupFrames.begin() + written)));
    for (size_t g = 0; g < 4; ++g)
        EXPECT_EQ(s.sim.Register(addresses[g]), g < written ? saved[g] : changed[g]) << g;
    EXPECT_EQ(
        messages.messages(),
        QStringList{U("从文件载入配置已取消!\n已写入: ") +
                    groupNames.mid(0, static_cast<int>(written)).join(U("、")) + U("\n未写入: ") +
                    groupNames.mid(static_cast<int>(written)).join(U("、"))});
}

TEST(ConfigFiles, DeviceInformationGoesOnlyWithThePasswordAndCompareWritesNothing) {
    Station s;
    ASSERT_TRUE(s.Open());
    MessageRecorder messages;
    TempDir files;
    const QString path = QString::fromStdString(files.file("saved.json"));
    s.dlg->SaveToFile(path);
    const Bytes deviceInfo = s.Wire(0x700B, 22);
    s.Set({{0x5011, 3000}, {0x7011, 0x5A5A}});

    // Compare: the same rows, no write button, no password, no frame.
    messages.clear();
    s.sim.ClearRequests();
    std::vector<std::vector<QString>> rows;
    EXPECT_TRUE(WithDiffDialog([&] { s.dlg->CompareWithFile(path); },
                               [&](CDlgConfigDiff* dialog) {
                                   rows = DiffRows(dialog);
                                   EXPECT_EQ(dialog->writeButton(), nullptr);
                                   EXPECT_FALSE(dialog->passwordEdit()->isVisible());
                                   QTest::mouseClick(dialog->closeButton(), Qt::LeftButton);
                               }));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], U("产品名称  fieldbus.product_name"));
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_EQ(s.sim.Requests(), ThreeReads());

    const struct {
        const char* password;
        std::vector<Bytes> writes;
        bool readBack;
        const char* message;
    } steps[] = {
        {nullptr,
         {WriteMany(0x5011, WireBytes({1000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}))},
         true,
         "从文件载入配置成功!\n已写入: APP喂狗时间和故障默认值\n未写入: 设备信息（未输入密码）"},
        {nullptr, {}, false, "没有写入任何参数。\n已写入: 无\n未写入: 设备信息（未输入密码）"},
        {"9999",
         {WriteOne(0x7003, 0x9999)},
         true,
         "从文件载入配置失败!\n已写入: 无\n写入失败: 设备信息（现场总线输入密码错误!）"},
        {"1234",
         {WriteOne(0x7003, 0x1234), WriteMany(0x700B, deviceInfo)},
         true,
         "从文件载入配置成功!\n已写入: 设备信息"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.message);
        messages.clear();
        s.sim.ClearRequests();
        EXPECT_TRUE(WithDiffDialog([&] { s.dlg->LoadFromFile(path); }, WriteWith(step.password)));
        EXPECT_EQ(messages.messages(), QStringList{U(step.message)});
        std::vector<Bytes> frames = step.readBack ? LoadFrames(step.writes) : ThreeReads();
        EXPECT_EQ(s.sim.Requests(), frames);
    }
    EXPECT_EQ(s.Wire(0x700B, 22), deviceInfo);

    // Cancelled: nothing written, nothing said.
    s.sim.SetRegister(0x7006, 5);
    messages.clear();
    s.sim.ClearRequests();
    EXPECT_TRUE(WithDiffDialog(
        [&] { s.dlg->LoadFromFile(path); },
        [](CDlgConfigDiff* dialog) { QTest::mouseClick(dialog->closeButton(), Qt::LeftButton); }));
    EXPECT_TRUE(messages.messages().isEmpty());
    EXPECT_EQ(s.sim.Requests(), ThreeReads());
}

// Every failure before the writes is told and leaves the module untouched;
// a save that fails leaves the file it would have replaced whole.
TEST(ConfigFiles, FailuresBeforeAnyWriteAreToldAndWriteNothing) {
    // The file's errors in English under the window's Chinese headlines;
    // set before the station's worker starts.
    TextLanguageGuard english(TextLanguage::English);
    Station s;
    ASSERT_TRUE(s.Open());
    MessageRecorder messages;
    TempDir files;
    const std::string good = files.file("good.json");
    s.dlg->SaveToFile(QString::fromStdString(good));
    const std::string saved = FileText(good);

    auto loadText = [&](const std::string& text) {
        const std::string path = files.file("edited.json");
        WriteFile(path, text);
        messages.clear();
        s.sim.ClearRequests();
        EXPECT_FALSE(WithDiffDialog([&] { s.dlg->LoadFromFile(QString::fromStdString(path)); },
                                    WriteWith("1234")));
        EXPECT_EQ(messages.messages().size(), 1);
        return messages.messages().value(0);
    };
    // The file is read first: a file with errors costs no exchange.
    QString message = loadText(
        "{\"format\": 1,\n\"module_type\": \"tavel/canopen\",\n"
        "\"general\": {\"watchdog_ms\": 10 20}}");
    EXPECT_TRUE(message.startsWith(U("读取配置文件失败!\nline 3, column")))
        << message.toStdString();
    EXPECT_EQ(s.sim.RequestCount(), 0u);
    std::string edited = saved;
    edited.replace(edited.find("\"watchdog_ms\": 1000"), 19, "\"watchdog_ms\": 70000");
    message = loadText(edited);
    EXPECT_TRUE(message.startsWith(U("读取配置文件失败!\ngeneral.watchdog_ms: found 70000")))
        << message.toStdString();
    EXPECT_EQ(s.sim.RequestCount(), 0u);
    // The module type is known only after the reads.
    edited = saved;
    edited.replace(edited.find("tavel/canopen"), 13, "tavel/devicenet");
    message = loadText(edited);
    EXPECT_TRUE(message.startsWith(U("配置文件不适用于此模块!\nmodule_type: found")))
        << message.toStdString();
    EXPECT_EQ(s.sim.Requests(), ThreeReads());

    // A read that fails: the message of "读取配置", no file, no dialog.
    messages.clear();
    const std::string notMade = files.file("not-made.json");
    s.sim.InjectFault(ModuleSimulator::Fault::None);
    s.sim.InjectFault(ModuleSimulator::Fault::Exception);
    s.dlg->SaveToFile(QString::fromStdString(notMade));
    s.sim.InjectFault(ModuleSimulator::Fault::None, 2);
    s.sim.InjectFault(ModuleSimulator::Fault::Silent);
    EXPECT_FALSE(WithDiffDialog([&] { s.dlg->LoadFromFile(QString::fromStdString(good)); },
                                WriteWith("1234")));
    EXPECT_EQ(messages.messages(),
              (QStringList{U("获取 I/O 参数失败!"), U("获取现场总线参数失败!")}));
    EXPECT_FALSE(std::ifstream(notMade).good());

    // A file that cannot be replaced stays as it was, and the reason is told.
    messages.clear();
    const std::string kept = files.file("kept.json");
    WriteFile(kept, "kept");
    chmod(kept.c_str(), 0444);
    s.dlg->SaveToFile(QString::fromStdString(kept));
    s.dlg->SaveToFile(QString::fromStdString(files.file("no-folder/x.json")));
    ASSERT_EQ(messages.messages().size(), 2);
    EXPECT_TRUE(messages.messages()[0].startsWith(U("保存配置文件失败!\ncannot write ")));
    EXPECT_TRUE(messages.messages()[1].endsWith(U("No such file or directory")))
        << messages.messages()[1].toStdString();
    EXPECT_EQ(FileText(kept), "kept");

    // With the port closed the buttons say so before any file dialog.
    messages.clear();
    int asked = 0;
    s.dlg->SetFileChooser([&](CQuillonDlg::FileUse) {
        ++asked;
        return QString::fromStdString(good);
    });
    s.dlg->port().Close();
    s.sim.ClearRequests();
    for (QPushButton* button :
         {s.dlg->saveFileButton(), s.dlg->loadFileButton(), s.dlg->compareFileButton()})
        QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(messages.messages(), QStringList(3, U("串口未打开!")));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(s.sim.RequestCount(), 0u);
}

TEST(ConfigFiles, FileButtonsStandBelowSendInsideTheWindow) {
    ProgramFolder folder;
    CQuillonDlg dlg(folder.path());
    dlg.show();
    const QRect send = dlg.sendButton()->geometry();
    int top = send.bottom();
    for (QPushButton* button :
         {dlg.saveFileButton(), dlg.loadFileButton(), dlg.compareFileButton()}) {
        const QRect r = button->geometry();
        EXPECT_GT(r.top(), top) << button->text().toStdString();
        EXPECT_EQ(r.left(), send.left());
        EXPECT_EQ(r.width(), send.width());
        EXPECT_TRUE(dlg.rect().contains(r));
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
        top = r.bottom();
    }
    EXPECT_EQ(dlg.saveFileButton()->text(), U("保存到文件..."));
    EXPECT_EQ(dlg.loadFileButton()->text(), U("从文件载入..."));
    EXPECT_EQ(dlg.compareFileButton()->text(), U("与文件比较..."));
}

}  // namespace
