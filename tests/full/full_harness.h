#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>
#include <string>

#include "cquillondlg.h"
#include "frames.h"
#include "messagerecorder.h"
#include "modulesimulator.h"
#include "programfolder.h"

// Lets queued events (repaints, deferred deletes) run.
inline void Settle() {
    QCoreApplication::processEvents();
}

// A module simulator of the test's own, its device as port 1 of a fresh
// program folder (selected at 115200 baud unless the test writes other
// settings), and the messages the window shows.
class FullOnSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.Start());
        m_folder.WritePorts(m_sim.DevicePath(), "[com]\r\nbaudrate=6\r\n");
    }
    // The window on that folder, shown.
    CQuillonDlg& OpenWindow() {
        m_window = std::make_unique<CQuillonDlg>(m_folder.path());
        m_window->show();
        return *m_window;
    }

    ModuleSimulator m_sim;
    ProgramFolder m_folder;
    MessageRecorder m_messages;
    std::unique_ptr<CQuillonDlg> m_window;
};
