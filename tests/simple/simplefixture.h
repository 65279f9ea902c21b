#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>

#include "cbuttonex.h"
#include "cpropcfg.h"
#include "cquillondlg.h"
#include "frames.h"
#include "interruptindicatorrow.h"
#include "messagerecorder.h"
#include "modulesimulator.h"
#include "modulewait.h"
#include "programfolder.h"

// A simple-edition window in a folder of its own, its port 1 mapped to a
// simulated module.
class SimpleWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_sim.Start()); }
    void TearDown() override { m_window.reset(); }

    // Port 1 -> the simulator, plus `body` (other sections).
    void WriteConfig(const std::string& body = "[com]\r\nbaudrate=6\r\n") {
        m_folder.WritePorts(m_sim.DevicePath(), body);
    }
    CQuillonDlg& OpenWindow() {
        m_window = std::make_unique<CQuillonDlg>(m_folder.path());
        m_window->show();
        return *m_window;
    }
    CPropCfg& Page() { return *m_window->cfgPage(); }

    void Click(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton);
        WaitForModuleIdle(button);
    }
    // Reads the configuration and forgets the three read requests.
    void ReadConfiguration() {
        Click(Page().readConfigButton());
        ASSERT_TRUE(m_messages.messages().isEmpty())
            << m_messages.messages().join("|").toStdString();
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

    ProgramFolder m_folder;
    ModuleSimulator m_sim;
    MessageRecorder m_messages;
    std::unique_ptr<CQuillonDlg> m_window;
};

inline QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}
