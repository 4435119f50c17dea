#include "app/dialogs/phong_dlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

namespace {

constexpr NumberRange kFactorRange{0.0, 1.0};
constexpr double kResetFactor = 0.6;

}  // namespace

CPhongDlg::CPhongDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Phong Factor Settings"));

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_resetButton = new QPushButton(QStringLiteral("Reset to Default Values"), this);
    m_resetButton->setAutoDefault(false);

    m_ambientEdit = new QLineEdit(this);
    m_diffuseEdit = new QLineEdit(this);
    m_specularEdit = new QLineEdit(this);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Ambient:"), this), 0, 0);
    fields->addWidget(m_ambientEdit, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Diffuse:"), this), 1, 0);
    fields->addWidget(m_diffuseEdit, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("Specular:"), this), 2, 0);
    fields->addWidget(m_specularEdit, 2, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    buttons->addSpacing(6);
    buttons->addWidget(m_resetButton);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(okButton, cancelButton);
    setTabOrder(cancelButton, m_resetButton);
    setTabOrder(m_resetButton, m_ambientEdit);
    setTabOrder(m_ambientEdit, m_diffuseEdit);
    setTabOrder(m_diffuseEdit, m_specularEdit);

    connect(okButton, &QPushButton::clicked, this, &CPhongDlg::accept);
    connect(cancelButton, &QPushButton::clicked, this, &CPhongDlg::reject);
    connect(m_resetButton, &QPushButton::clicked, this, &CPhongDlg::OnResetDefaults);

    ShowValues();
}

std::array<NumericEdit, 3> CPhongDlg::Edits() {
    return {NumericEdit{m_ambientEdit, &m_ambient, kFactorRange},
            NumericEdit{m_diffuseEdit, &m_diffuse, kFactorRange},
            NumericEdit{m_specularEdit, &m_specular, kFactorRange}};
}

void CPhongDlg::ShowValues() {
    ShowNumericEdits(Edits());
}

bool CPhongDlg::ReadValues() {
    return ReadNumericEdits(this, Edits());
}

void CPhongDlg::OnResetDefaults() {
    m_ambient = kResetFactor;
    m_diffuse = kResetFactor;
    m_specular = kResetFactor;
    ShowValues();
}

void CPhongDlg::accept() {
    if (ReadValues()) {
        QDialog::accept();
    }
}

}  // namespace quorvane
