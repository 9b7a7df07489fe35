#include "serial/modal_runner.h"

#include <QDialog>

namespace {

int Exec(QDialog& dialog) { return dialog.exec(); }

ModalRunner gRunner = Exec;

}  // namespace

ModalRunner SetModalRunner(ModalRunner runner) {
    ModalRunner previous = gRunner;
    gRunner = runner != nullptr ? runner : Exec;
    return previous;
}

int RunModal(QDialog& dialog) { return gRunner(dialog); }
