#include "app/dialogs/viewing_space_dlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

namespace {

// The camera clamps its angle to this range; the dialog refuses angles outside it.
constexpr NumberRange kAngleRange{0.5, 180.0};

}  // namespace

CViewingSpaceDlg::CViewingSpaceDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Viewing Space Parameters"));

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);

    for (QLineEdit*& edit : m_edits) {
        edit = new QLineEdit(this);
    }

    // One group per point: X:, Y: and Z: each followed by its edit.
    auto* points = new QVBoxLayout;
    const QString groupTitles[3] = {QStringLiteral("At Point"), QStringLiteral("From Point"),
                                    QStringLiteral("Up Vector")};
    const QString axisLabels[3] = {QStringLiteral("X:"), QStringLiteral("Y:"), QStringLiteral("Z:")};
    for (int group = 0; group < 3; ++group) {
        auto* box = new QGroupBox(groupTitles[group], this);
        auto* row = new QHBoxLayout(box);
        for (int axis = 0; axis < 3; ++axis) {
            row->addWidget(new QLabel(axisLabels[axis], box));
            row->addWidget(m_edits[static_cast<std::size_t>(group * 3 + axis)]);
        }
        points->addWidget(box);
    }

    auto* angleBox = new QGroupBox(QStringLiteral("Viewing Angle"), this);
    auto* angleRow = new QHBoxLayout(angleBox);
    angleRow->addWidget(m_edits[kEditCount - 1]);

    auto* side = new QVBoxLayout;
    side->addWidget(okButton);
    side->addWidget(cancelButton);
    side->addStretch();
    side->addWidget(angleBox);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(points);
    layout->addLayout(side);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(okButton, cancelButton);
    QWidget* previous = cancelButton;
    for (QLineEdit* edit : m_edits) {
        setTabOrder(previous, edit);
        previous = edit;
    }

    connect(okButton, &QPushButton::clicked, this, &CViewingSpaceDlg::accept);
    connect(cancelButton, &QPushButton::clicked, this, &CViewingSpaceDlg::reject);

    ShowValues();
}

void CViewingSpaceDlg::SetAtPoint(const CVector3D& at) {
    m_atX = at.x;
    m_atY = at.y;
    m_atZ = at.z;
}

void CViewingSpaceDlg::SetFromPoint(const CVector3D& from) {
    m_fromX = from.x;
    m_fromY = from.y;
    m_fromZ = from.z;
}

void CViewingSpaceDlg::SetUpVector(const CVector3D& up) {
    m_upX = up.x;
    m_upY = up.y;
    m_upZ = up.z;
}

// The angle is the last field, so checking it as soon as it is read is checking it after all ten.
std::array<NumericEdit, CViewingSpaceDlg::kEditCount> CViewingSpaceDlg::Edits() {
    return {NumericEdit{m_edits[0], &m_atX, std::nullopt},
            NumericEdit{m_edits[1], &m_atY, std::nullopt},
            NumericEdit{m_edits[2], &m_atZ, std::nullopt},
            NumericEdit{m_edits[3], &m_fromX, std::nullopt},
            NumericEdit{m_edits[4], &m_fromY, std::nullopt},
            NumericEdit{m_edits[5], &m_fromZ, std::nullopt},
            NumericEdit{m_edits[6], &m_upX, std::nullopt},
            NumericEdit{m_edits[7], &m_upY, std::nullopt},
            NumericEdit{m_edits[8], &m_upZ, std::nullopt},
            NumericEdit{m_edits[9], &m_viewingAngle, kAngleRange}};
}

void CViewingSpaceDlg::ShowValues() {
    ShowNumericEdits(Edits());
}

bool CViewingSpaceDlg::ReadValues() {
    return ReadNumericEdits(this, Edits());
}

void CViewingSpaceDlg::accept() {
    if (ReadValues()) {
        QDialog::accept();
    }
}

}  // namespace quorvane
