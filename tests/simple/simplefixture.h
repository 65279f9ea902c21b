#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cbuttonex.h"
#include "cpropcfg.h"
#include "cquillondlg.h"
#include "interruptindicatorrow.h"
#include "messagerecorder.h"
#include "modbus_rtu.h"
#include "modulesimulator.h"
#include "tempdir.h"

using Frame = std::vector<uint8_t>;

inline Frame WithCrc(Frame frame) {
    const uint16_t crc = Crc16Modbus(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}
inline uint8_t Hi(uint16_t v) { return static_cast<uint8_t>(v >> 8); }
inline uint8_t Lo(uint16_t v) { return static_cast<uint8_t>(v & 0xFF); }

// Requests as the module must receive them, slave 1, CRC appended.
inline Frame ReadRequest(uint16_t start, uint16_t count) {
    return WithCrc({1, 3, Hi(start), Lo(start), Hi(count), Lo(count)});
}
inline Frame WriteOne(uint16_t address, uint16_t value) {
    return WithCrc({1, 6, Hi(address), Lo(address), Hi(value), Lo(value)});
}
inline Frame WriteMany(uint16_t start, const std::vector<uint8_t>& data) {
    const uint16_t count = static_cast<uint16_t>(data.size() / 2);
    Frame frame{1, 16, Hi(start), Lo(start), Hi(count), Lo(count), Lo(2 * count)};
    frame.insert(frame.end(), data.begin(), data.end());
    return WithCrc(frame);
}

// A simple-edition window in a folder of its own, its port 1 mapped to a
// simulated module.
class SimpleWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_sim.Start()); }
    void TearDown() override { m_window.reset(); }

    std::string ConfigPath() const { return m_dir.file("config.ini"); }
    // Port 1 -> the simulator, plus `body` (other sections).
    void WriteConfig(const std::string& body = "[com]\r\nbaudrate=6\r\n") {
        std::ofstream out(ConfigPath(), std::ios::binary);
        out << "[ports]\r\ncom1=" << m_sim.DevicePath() << "\r\n" << body;
    }
    std::string ConfigText() const {
        std::ifstream in(ConfigPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    CQuillonDlg& OpenWindow() {
        m_window = std::make_unique<CQuillonDlg>(m_dir.path());
        m_window->show();
        return *m_window;
    }
    CPropCfg& Page() { return *m_window->cfgPage(); }

    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Reads the configuration and forgets the three read requests.
    void ReadConfiguration() {
        Click(Page().readConfigButton());
        ASSERT_TRUE(m_messages.messages().isEmpty()) << m_messages.messages().join("|").toStdString();
        m_sim.ClearRequests();
    }
    // Lights exactly the lamps of `mask` (bit 9 = first lamp) by clicking.
    void SetLamps(uint16_t mask) {
        InterruptIndicatorRow* row = Page().indicatorRow();
        for (int k = 0; k < 10; ++k) {
            const bool want = (mask >> (9 - k)) & 1;
            const bool lit = row->button(k)->state() == CButtonEx::Lit;
            if (want != lit) Click(row->button(k));
        }
        ASSERT_EQ(row->ReadInterruptMask(), mask);
    }
    // The next `good` requests are answered, the one after that gets an
    // exception answer.
    void FailRequestAfter(int good) {
        if (good > 0) m_sim.InjectFault(ModuleSimulator::Fault::None, good);
        m_sim.InjectFault(ModuleSimulator::Fault::Exception, 1);
    }

    TempDir m_dir;
    ModuleSimulator m_sim;
    MessageRecorder m_messages;
    std::unique_ptr<CQuillonDlg> m_window;
};

inline QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}
