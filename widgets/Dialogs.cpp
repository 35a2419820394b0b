#include "widgets/Dialogs.h"

#include "serial/VaExceptionReport.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <utility>

namespace {

TMessageBoxHandler& Handler() {
    static TMessageBoxHandler handler;
    return handler;
}

TSaveFileHandler& SaveHandler() {
    static TSaveFileHandler handler;
    return handler;
}

TMsgResult ShowRealBox(const TMessageBox& Box) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(Box.Caption);
    box.setText(QString(Box.Text).replace("\r\n", "\n"));
    switch (Box.Icon) {
    case TMsgIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case TMsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case TMsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (Box.Buttons == TMsgButtons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return TMsgResult::Ok;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TMsgResult::Yes;
    case QMessageBox::No:
        return TMsgResult::No;
    default:
        return TMsgResult::Cancel;
    }
}

} // namespace

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler H) {
    return std::exchange(Handler(), std::move(H));
}

TMsgResult ShowMessageBox(const TMessageBox& Box) {
    return Handler() ? Handler()(Box) : ShowRealBox(Box);
}

void ErrorBox(const QString& Text) {
    ShowMessageBox({"Error", TMsgIcon::Error, Text, TMsgButtons::Ok});
}

void InformationBox(const QString& Text) {
    ShowMessageBox({"Information", TMsgIcon::Information, Text, TMsgButtons::Ok});
}

TMsgResult ConfirmationBox(const QString& Text) {
    return ShowMessageBox({"Confirmation", TMsgIcon::Question, Text, TMsgButtons::YesNoCancel});
}

TSaveFileHandler SetSaveFileHandler(TSaveFileHandler H) {
    return std::exchange(SaveHandler(), std::move(H));
}

QString AskSaveFileName(const TSaveFileRequest& Request) {
    if (SaveHandler()) return SaveHandler()(Request);
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), Request.Caption,
                                        Request.Suggested, Request.Filter);
}

void InstallApplicationExceptionReport() {
    SetApplicationExceptionReporter([](const std::string& Message) {
        ErrorBox(QString::fromLatin1(Message.data(), static_cast<qsizetype>(Message.size())));
    });
}
