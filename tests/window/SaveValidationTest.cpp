#include "WindowFixture.h"

namespace {

class SaveValidation : public WindowTest {
protected:
    void Fill(const QString& Mmsi, const QString& A = "10", const QString& B = "5",
              const QString& C = "3", const QString& D = "2") {
        Form->Edit_MMSI->setText(Mmsi);
        Form->Edit_A->setText(A);
        Form->Edit_B->setText(B);
        Form->Edit_C->setText(C);
        Form->Edit_D->setText(D);
    }
    // Save as the button would; the sequencer starts only when everything is accepted.
    QString Save() {
        Boxes.clear();
        Unit().ScanStep = 7;
        Unit().BitBtn_SaveClick();
        return Boxes.empty() ? QString() : Boxes.back().Text;
    }
};

TEST_F(SaveValidation, MmsiMessages) {
    const QString notNumber = "MMSI must be a number!";
    const QString range = "MMSI must be greater then \"0\" and less than \"999999999\"!";
    struct {
        const char* mmsi;
        QString message;
    } cases[] = {{"0", range},
                 {"-5", range},
                 {"12a", notNumber},
                 {"", notNumber},
                 {"1 2", notNumber},
                 {"999999999", QString()},
                 {"012345678", QString()}};
    for (const auto& c : cases) {
        Fill(c.mmsi);
        EXPECT_EQ(Save(), c.message) << c.mmsi;
    }
    EXPECT_EQ(Form->OwnShip.MMSI, 12345678); // sent without the leading zero
    EXPECT_EQ(Unit().ScanStep, 20);
}

TEST_F(SaveValidation, DimensionMessagesAndTheirEffectOnASequenceUnderWay) {
    Fill("211234560", "512");
    EXPECT_EQ(Save(), "Dimension must be in the right range!");
    EXPECT_EQ(Unit().ScanStep, 0);
    Fill("211234560", "10", "5", "64");
    EXPECT_EQ(Save(), "Dimension must be in the right range!");
    Fill("211234560", "10", "");
    EXPECT_EQ(Save(), "Dimension must be a number!");
    EXPECT_EQ(Unit().ScanStep, 7); // a rejected number leaves a sequence under way alone
    Fill("211234560", "511", "511", "63", "63");
    EXPECT_EQ(Save(), QString());
}

TEST_F(SaveValidation, NamesInUpperCaseAndTheTypedVesselType) {
    Fill("211234560");
    Form->Edit_ShipsName->setText("sea spray äb");
    Form->Edit_CallSign->setText("dk12x");
    EXPECT_EQ(Save(), QString());
    EXPECT_EQ(Form->OwnShip.ShipsName, "SEA SPRAY äB"); // only a to z change
    EXPECT_EQ(Form->Edit_ShipsName->text(), "SEA SPRAY äB");
    EXPECT_EQ(Form->OwnShip.CallSign, "DK12X");
    EXPECT_EQ(Form->OwnShip.ShipTyp, 37);

    Form->ComboBox_Type->setEditText("my own type");
    EXPECT_EQ(Save(), QString()); // no message, and no writing
    EXPECT_EQ(Unit().ScanStep, 0);
}

TEST_F(SaveValidation, NamesThatWouldBreakTheSentenceAreRefused) {
    const QString refused = "Ship's name and call sign must not contain , * $ ! \\ ^ or ~!";
    struct {
        const char* name;
        const char* callSign;
        QString message;
    } cases[] = {{"SEA,511,511", "DK1", refused},
                 {"SEA*00", "DK1", refused},
                 {"SEA", "DK!", refused},
                 {"SEA", "D$K", refused},
                 {"A\\B", "", refused},
                 {"A^B", "", refused},
                 {"A~B", "", refused},
                 {"A\tB", "", refused},
                 {"ST. PAUL-2 (&)", "DK-1", QString()}};
    for (const auto& c : cases) {
        Fill("211234560");
        Form->Edit_ShipsName->setText(c.name);
        Form->Edit_CallSign->setText(c.callSign);
        EXPECT_EQ(Save(), c.message) << c.name << " / " << c.callSign;
        EXPECT_EQ(Unit().ScanStep, c.message.isEmpty() ? 20 : 7) << c.name; // nothing written
    }
}

} // namespace
