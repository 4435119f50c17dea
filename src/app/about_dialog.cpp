#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "quorvane/version.h"

// The resources live in a static library: they are registered before their first use.
static void InitialiseResources() {
    Q_INIT_RESOURCE(quorvane);
}

namespace quorvane {

QIcon ProgramIcon() {
    static const bool registered = (InitialiseResources(), true);
    (void)registered;
    return QIcon(QStringLiteral(":/icons/quorvane.svg"));
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Quorvane"));
    setObjectName(QStringLiteral("IDD_ABOUTBOX"));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    auto* text = new QLabel(QStringLiteral("Quorvane Version " QUORVANE_VERSION_STRING), this);
    text->setObjectName(QStringLiteral("version"));
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addWidget(ok);
    buttonColumn->addStretch();

    auto* row = new QHBoxLayout(this);
    row->addWidget(icon);
    row->addWidget(text, 1);
    row->addLayout(buttonColumn);
    setFixedSize(sizeHint().expandedTo(QSize(360, 90)));
}

}  // namespace quorvane
