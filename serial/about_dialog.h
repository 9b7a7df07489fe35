// The About box: the program's version, the maker and a link to the
// maker's web address.
#pragma once

#include <QDialog>

class HyperlinkStatic;
class QLabel;
class QPushButton;

class AboutDialog : public QDialog {
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // Adds a plain-text note below the box's own controls (the window lists
    // its keyboard shortcuts there); the box grows to fit, nothing above moves.
    void AddNote(const QString& text);
    QLabel* note() const { return note_; }

    HyperlinkStatic* link() const { return link_; }
    QLabel* iconLabel() const { return icon_; }
    QPushButton* okButton() const { return ok_; }

    static const char* const kVersionText;
    static const char* const kMakerName;
    static const char* const kFurtherText;
    static const char* const kMakerAddress;

private:
    HyperlinkStatic* link_;
    QLabel* icon_;
    QPushButton* ok_;
    QLabel* note_ = nullptr;
};
