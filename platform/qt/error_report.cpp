#include "platform/qt/error_report.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

namespace tessiva {

void reportAndExit(const RuntimeError& error) {
    const std::string text = reportText(error);
    std::fprintf(stderr, "Tessiva: %s\n", text.c_str());
    std::fflush(stderr);
    if (QApplication::instance() != nullptr) {
        // Over a hidden pointer the box would be unusable; an override on top of the stack
        // wins until the process ends.
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Tessiva"), QString::fromStdString(text),
                        QMessageBox::Ok);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        box.exec();
    }
    std::_Exit(1);
}

}  // namespace tessiva
