#pragma once
// The Password dialog: one password leads to the factory reset, another unlocks the trace
// view. Created once at start, so the typed text survives between showings.

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

class TFormReset : public QDialog {
    Q_OBJECT
public:
    explicit TFormReset(QWidget* Parent = nullptr);

    // Runs with the typed text when OK is pressed, before the dialog closes.
    void SetOnPassword(std::function<void(const QString&)> Handler) { FOnPassword = std::move(Handler); }

    QLineEdit* MaskEdit;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void BitBtn1Click();

private:
    std::function<void(const QString&)> FOnPassword;
};
