// SPDX-License-Identifier: GPL-2.0-or-later
// The smallest useful Qt 5 dialog: a combo box and two buttons. The start-up
// benchmark measures kav-run beside it.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QVBoxLayout>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Minimal"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *combo = new QComboBox(&dialog);
    combo->setEditable(true);
    layout->addWidget(combo);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.show();
    return app.exec();
}
