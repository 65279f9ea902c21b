#pragma once

// Driving the configuration-file operations of the full edition in tests: a
// window on its own simulator, and the differences dialog answered without
// blocking.

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "cdlgconfigdiff.h"
#include "cpropcom.h"
#include "cquillondlg.h"
#include "dialogs.h"
#include "frames.h"
#include "modulesimulator.h"
#include "programfolder.h"

// Messages and table cells readable in failure output.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// A window on a simulator of its own, the port open at 115200 baud.
struct Station {
    ModuleSimulator sim;
    ProgramFolder folder;
    std::unique_ptr<CQuillonDlg> dlg;

    ~Station() {
        if (dlg) dlg->port().Close();
    }
    bool Open() {
        if (!sim.Start()) return false;
        folder.WritePorts(sim.DevicePath(), "[com]\r\nbaudrate=6\r\n");
        dlg = std::make_unique<CQuillonDlg>(folder.path());
        dlg->show();
        QTest::mouseClick(dlg->comPage()->openButton(), Qt::LeftButton);
        return dlg->port().IsOpen();
    }
    void Set(std::initializer_list<std::pair<uint16_t, uint16_t>> values) {
        for (const auto& [address, value] : values) sim.SetRegister(address, value);
    }
    std::vector<uint16_t> Registers(uint16_t first, int count) const {
        std::vector<uint16_t> values;
        for (int k = 0; k < count; ++k) values.push_back(sim.Register(first + k));
        return values;
    }
    Bytes Wire(uint16_t first, int count) const { return WireBytes(Registers(first, count)); }
};

// Runs `trigger`; `drive` gets the differences dialog if it opens.
inline bool WithDiffDialog(const std::function<void()>& trigger,
                           const std::function<void(CDlgConfigDiff*)>& drive) {
    return WithDialog<CDlgConfigDiff>(trigger, drive);
}

// Types the password (none when null) and presses "写入模块".
inline std::function<void(CDlgConfigDiff*)> WriteWith(const char* password) {
    return [password](CDlgConfigDiff* dialog) {
        if (password != nullptr) dialog->passwordEdit()->setText(QString::fromUtf8(password));
        QTest::mouseClick(dialog->writeButton(), Qt::LeftButton);
    };
}

// Reads the differences table: each row as field, module value, file value.
inline std::vector<std::vector<QString>> DiffRows(CDlgConfigDiff* dialog) {
    std::vector<std::vector<QString>> rows;
    auto* table = dialog->table();
    for (int r = 0; r < table->rowCount(); ++r) {
        std::vector<QString> row;
        for (int c = 0; c < table->columnCount(); ++c) row.push_back(table->item(r, c)->text());
        rows.push_back(row);
    }
    return rows;
}
