#include "serial/about_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "serial/dialog_units.h"
#include "serial/hyperlink_static.h"

const char* const AboutDialog::kVersionText = "Ravlen Version 1.4";
const char* const AboutDialog::kMakerName = "Ravlen Instruments";
const char* const AboutDialog::kFurtherText = "XRV-140+V4";
const char* const AboutDialog::kMakerAddress = "https://www.ravlen.example/";

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));
    setModal(true);
    const DialogUnits du(font());
    setFixedSize(du.X(235), du.Y(69));

    icon_ = new QLabel(this);
    const QRect iconArea = du.Rect(11, 17, 20, 20);
    const int side = std::min(iconArea.width(), iconArea.height());
    const QIcon icon = parent != nullptr ? parent->windowIcon() : QApplication::windowIcon();
    icon_->setPixmap(icon.pixmap(side, side));
    icon_->setGeometry(QRect(iconArea.topLeft(), QSize(side, side)));

    AddDialogLabel(this, du, QString::fromLatin1(kVersionText), 40, 10, 119, 8);
    AddDialogLabel(this, du, QString::fromLatin1(kFurtherText), 126, 24, 65, 10);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setGeometry(du.Rect(178, 7, 50, 14));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    AddDialogLabel(this, du, QString::fromLatin1(kMakerName), 45, 24, 65, 10);

    const QString address = QString::fromLatin1(kMakerAddress);
    link_ = new HyperlinkStatic(address, address, this);
    link_->setObjectName(QStringLiteral("link1005"));
    du.Place(link_, 45, 44, 118, 8);
}

void AboutDialog::AddNote(const QString& text) {
    const DialogUnits du(font());
    if (note_ == nullptr) note_ = new QLabel(this);
    note_->setTextFormat(Qt::PlainText);
    note_->setText(text);
    note_->setWordWrap(true);  // a line too long for the box goes on in the next
    // Under the link (which ends at 52 units), across the box's width.
    const QRect area = du.Rect(11, 60, 213, 8);
    note_->setGeometry(QRect(area.topLeft(), QSize(area.width(), note_->heightForWidth(area.width()))));
    note_->show();
    setFixedSize(du.X(235), note_->geometry().bottom() + 1 + du.Y(7));
}
