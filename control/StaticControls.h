#pragma once
// The "Static data" tab's controls: the connection, the configuration form, the vessel picture
// with the antenna distances, the interface settings, the cabling drawing and the trace
// terminal.

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class TRadioGroup;
class TVaTerminal;

struct TStaticControls {
    QComboBox* ComboBox_Port = nullptr;
    QPushButton* BitBtn_Connect = nullptr;
    QPushButton* BitBtn_Disc = nullptr;
    QLabel* Panel_Connect = nullptr;
    QLineEdit* Edit_ShipsName = nullptr;
    QLineEdit* Edit_CallSign = nullptr;
    QLineEdit* Edit_MMSI = nullptr;
    QComboBox* ComboBox_Type = nullptr;
    QPushButton* BitBtn_Save = nullptr;
    QLabel* Image1 = nullptr;  // the vessel seen from above, the distances written on it
    QWidget* Image2 = nullptr; // "How to connect"
    QLineEdit* Edit_A = nullptr;
    QLineEdit* Edit_B = nullptr;
    QLineEdit* Edit_C = nullptr;
    QLineEdit* Edit_D = nullptr;
    QWidget* Shape_Reset = nullptr; // the service entry over the GPS antenna
    QPushButton* BitBtn_Reset = nullptr;
    TRadioGroup* RadioGroup_Baud = nullptr;
    TRadioGroup* RadioGroup_GPS = nullptr;
    TRadioGroup* RadioGroup_Switch = nullptr;
    TRadioGroup* RadioGroup_ALR = nullptr;
    TVaTerminal* VaTerminal1 = nullptr; // hidden until the trace view is unlocked
};

// Builds the tab's controls and layout on Tab.
TStaticControls BuildStaticControls(QWidget* Tab);
