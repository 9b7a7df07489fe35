// Modal dialogs run through one replaceable function, so that tests (and
// any headless use) can fill in and close a dialog without blocking.
#pragma once

class QDialog;

// Runs the dialog and returns its result (QDialog::Accepted or Rejected).
using ModalRunner = int (*)(QDialog& dialog);
// Installs runner (nullptr restores exec()); returns the previous one.
ModalRunner SetModalRunner(ModalRunner runner);
int RunModal(QDialog& dialog);
