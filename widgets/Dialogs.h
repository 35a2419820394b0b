#pragma once
// Every modal message box of the program goes through ShowMessageBox, so tests can read what
// the user would see and answer it without blocking.

#include <QString>
#include <functional>

enum class TMsgIcon { Error, Information, Question };
enum class TMsgButtons { Ok, YesNoCancel };
enum class TMsgResult { Ok, Yes, No, Cancel };

struct TMessageBox {
    QString Caption;
    TMsgIcon Icon;
    QString Text; // line breaks as CR LF, as the program words them
    TMsgButtons Buttons;
};

using TMessageBoxHandler = std::function<TMsgResult(const TMessageBox&)>;

// Installs a handler in place of the real modal box; an empty one restores it.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler Handler);

TMsgResult ShowMessageBox(const TMessageBox& Box);

void ErrorBox(const QString& Text);              // "Error", error icon, OK
void InformationBox(const QString& Text);        // "Information", information icon, OK
TMsgResult ConfirmationBox(const QString& Text); // "Confirmation", question icon, Yes/No/Cancel

// The save-file dialog, through the same kind of seam: the path chosen, empty when cancelled.
struct TSaveFileRequest {
    QString Caption;
    QString Suggested; // file name proposed
    QString Filter;    // "CSV files (*.csv)"
};
using TSaveFileHandler = std::function<QString(const TSaveFileRequest&)>;
TSaveFileHandler SetSaveFileHandler(TSaveFileHandler Handler);
QString AskSaveFileName(const TSaveFileRequest& Request);

// Shows exceptions that escape handlers called by the serial link.
void InstallApplicationExceptionReport();
