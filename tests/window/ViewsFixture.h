#pragma once
// The real window with its clock in the test's hand, and sentences made by the simulator's
// AIS encoder (itself tested against the decoder), so a test states the values it sends.

#include "tools/sim/AisEncode.h"
#include "nmea/Framing.h"
#include "widgets/Shape.h"
#include "diag/UnitDiag.h"
#include "targets/UnitReceive.h"
#include "sent/UnitSent.h"
#include "WindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableWidget>

#include <fstream>

class ViewsTest : public WindowTest {
protected:
    ViewsTest() {
        Form->UtcNow = [this] { return Now; };
    }

    // Moves the clock on and runs one tick of the once-a-second timer.
    void Tick(double Seconds = 1) {
        Now += Seconds / 86400;
        Form->Timer_Err_WarnTimer();
    }
    void Advance(double Seconds) { Now += Seconds / 86400; }

    // A received sentence as the port hands it over, CR LF added when missing.
    void Receive(std::string S) {
        if (S.size() < 2 || S.compare(S.size() - 2, 2, "\r\n") != 0) S += "\r\n";
        Feed(S);
    }

    QString Cell(QTableWidget* Grid, int Row, int Col) const {
        const QTableWidgetItem* item = Grid->item(Row, Col);
        return item != nullptr ? item->text() : QString();
    }
    QString Rx(int Row, int Col) const { return Cell(Form->StringGrid_RxData, Row, Col); }

    template <class W = QLabel> W* Find(const char* Name) const {
        W* w = Form->findChild<W*>(Name);
        EXPECT_NE(w, nullptr) << Name;
        return w;
    }
    QString Text(const char* LabelName) const {
        const QLabel* l = Find<QLabel>(LabelName);
        return l != nullptr ? l->text() : QString();
    }
    QAction* Item(const char* Name) const {
        return Form->MenuItem_DataCol->findChild<QAction*>(Name);
    }

    double Now = 46000.5; // some day in 2025, noon
};

// Encoded sentences, CR LF included.
namespace sentences {

inline std::string Join(const std::vector<std::string>& Parts) {
    std::string s;
    for (const auto& p : Parts) s += p;
    return s;
}

inline std::string PosA(std::uint32_t MMSI, double Lat, double Lon, unsigned SogTenths = 52,
                        unsigned CogTenths = 1234) {
    TAisPosA m;
    m.MMSI = MMSI;
    m.Lat = LonLatUnits(Lat);
    m.Lon = LonLatUnits(Lon);
    m.Sog = SogTenths;
    m.Cog = CogTenths;
    TVdSentenceBuilder b;
    return Join(b.Build(false, 'A', EncodeMsg123(m)));
}

inline std::string PosB(std::uint32_t MMSI, double Lat, double Lon, bool Own = false,
                        unsigned PosAcc = 1, char Channel = 'B') {
    TAisPosB m;
    m.MMSI = MMSI;
    m.Lat = LonLatUnits(Lat);
    m.Lon = LonLatUnits(Lon);
    m.Sog = 61;
    m.Cog = 531;
    m.PosAcc = PosAcc;
    TVdSentenceBuilder b;
    return Join(b.Build(Own, Channel, EncodeMsg18(m)));
}

// A class B report without a position (the "not available" codes).
inline std::string PosBUnknown(std::uint32_t MMSI, bool Own) {
    TAisPosB m;
    m.MMSI = MMSI;
    TVdSentenceBuilder b;
    return Join(b.Build(Own, 'A', EncodeMsg18(m)));
}

inline std::string Static5(std::uint32_t MMSI, const std::string& Name,
                           const std::string& CallSign) {
    TAisStaticVoyage m;
    m.MMSI = MMSI;
    m.Name = Name;
    m.CallSign = CallSign;
    m.ShipType = 70;
    m.ToBow = 100, m.ToStern = 20, m.ToPort = 10, m.ToStarboard = 8;
    m.Destination = "KIEL";
    TVdSentenceBuilder b;
    return Join(b.Build(false, 'A', EncodeMsg5(m)));
}

inline std::string Static24A(std::uint32_t MMSI, const std::string& Name, bool Own = false,
                             char Channel = 'B') {
    TAisStaticA m;
    m.MMSI = MMSI;
    m.Name = Name;
    TVdSentenceBuilder b;
    return Join(b.Build(Own, Channel, EncodeMsg24A(m)));
}

inline std::string Static24B(std::uint32_t MMSI, const std::string& CallSign, bool Own = false,
                             char Channel = 'A') {
    TAisStaticB m;
    m.MMSI = MMSI;
    m.ShipType = 37;
    m.VendorID = "CVN2401";
    m.CallSign = CallSign;
    m.ToBow = 8, m.ToStern = 3, m.ToPort = 1, m.ToStarboard = 2;
    TVdSentenceBuilder b;
    return Join(b.Build(Own, Channel, EncodeMsg24B(m)));
}

// "$" + body + "*" + checksum + CR LF.
inline std::string Nmea(const std::string& Body) {
    return FrameNMEA(Body);
}

} // namespace sentences

// Lines of a corpus file, each ending in CR LF as the port delivers them.
inline std::vector<std::string> CorpusLines(const std::string& File) {
    std::ifstream in(std::string(CORVANE_CORPUS_DIR) + "/" + File);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line + "\r\n");
    return lines;
}
