#include "cdlgfbval.h"

#include <QFrame>
#include <QPushButton>

#include "mycug.h"

namespace {

constexpr int kDialogWidth = 236;
constexpr int kDialogHeight = 150;
// Eight 19-pixel columns after the 32-pixel row headings, four rows under the
// 19-pixel column headings, plus the frame lines.
constexpr int kGridWidth = 32 + 8 * 19 + 4;
constexpr int kGridHeight = 19 + 4 * 19 + 4;

}  // namespace

CDlgFbVal::CDlgFbVal(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("FB Fault Value"));
    setModal(true);
    setFixedSize(kDialogWidth, kDialogHeight);

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("gridFrame"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setGeometry(10, 8, kDialogWidth - 20, kGridHeight + 8);

    m_grid = new MyCug(kCapacity, frame);
    m_grid->setObjectName(QStringLiteral("faultValueGrid"));
    m_grid->setReadOnly(false);
    m_grid->setGeometry((frame->width() - kGridWidth) / 2, 4, kGridWidth, kGridHeight);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    const int buttonTop = frame->geometry().bottom() + 10;
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(20, buttonTop, 80, 24);
    auto* ok = new QPushButton(tr("确定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(kDialogWidth - 100, buttonTop, 80, 24);
    for (QPushButton* button : {cancel, ok}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

CDlgFbVal::~CDlgFbVal() = default;

void CDlgFbVal::SetValues(const uint8_t* values, int count) {
    m_grid->SetBytes(values, count < kCapacity ? count : kCapacity);
}

const uint8_t* CDlgFbVal::Values() const {
    return m_grid->data();
}

int CDlgFbVal::Count() const {
    return m_grid->used();
}
