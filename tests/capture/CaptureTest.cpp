#include "serial/VaCapture.h"
#include "serial/VaComm.h"
#include "serial/VaExceptionReport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A capture set up as the main window sets it up, recording what it delivers.
class CaptureFixture : public ::testing::Test {
protected:
    CaptureFixture() {
        capture.SetDataFinish("\r\n");
        capture.SetOnMessage([this](TVaCapture&, const std::string& m) { messages.push_back(m); });
    }
    void Feed(std::string_view bytes) {
        capture.HandleCommData(reinterpret_cast<PVaData>(bytes.data()),
                               static_cast<int>(bytes.size()));
    }
    TVaCapture capture;
    std::vector<std::string> messages;
};

using Messages = std::vector<std::string>;

TEST_F(CaptureFixture, CutsAtCrLfAndKeepsTheCr) {
    Feed("ABC\r\nDEF\r\n");
    EXPECT_EQ(messages, (Messages{"ABC\r", "DEF\r"}));
}

TEST_F(CaptureFixture, ChunkBoundariesDoNotMatter) {
    const std::string stream = "ABC\r\nDEF\r\n";
    Messages expected{"ABC\r", "DEF\r"};
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        messages.clear();
        Feed(std::string_view(stream).substr(0, cut));
        Feed(std::string_view(stream).substr(cut));
        EXPECT_EQ(messages, expected) << "split at " << cut;
    }
    messages.clear();
    for (char c : stream) Feed(std::string_view(&c, 1));
    EXPECT_EQ(messages, expected);
}

TEST_F(CaptureFixture, RealDeviceCaptureSplitAtEveryOffset) {
    std::ifstream in(CORVANE_CORPUS_DIR "/streams/gpsd-ait250.nmea");
    ASSERT_TRUE(in) << "corpus missing";
    std::string stream, line;
    Messages expected;
    for (int i = 0; i < 25 && std::getline(in, line); ++i) {
        stream += line + "\r\n";
        expected.push_back(line + "\r");
    }
    Feed(stream);
    ASSERT_EQ(messages, expected);
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        messages.clear();
        Feed(std::string_view(stream).substr(0, cut));
        Feed(std::string_view(stream).substr(cut));
        ASSERT_EQ(messages, expected) << "split at " << cut;
    }
}

TEST_F(CaptureFixture, NulByteArrivesAsSpace) {
    Feed(std::string_view("$GP\0RMC\r\n", 9));
    EXPECT_EQ(messages, (Messages{"$GP RMC\r"}));
}

TEST_F(CaptureFixture, OverlongMessageKeepsItsNewestCharacters) {
    std::string text;
    for (int i = 0; i < 1500; ++i) text += static_cast<char>('a' + i % 26);
    Feed(text + "\r\n");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], text.substr(1500 - 998) + "\r");
}

TEST_F(CaptureFixture, LongFloodWithoutLineEndsStaysBounded) {
    const std::string junk(100000, 'x');
    Feed(junk);
    Feed("END\r\n");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], junk.substr(0, 995) + "END\r");
}

TEST_F(CaptureFixture, EmptyLineIsGluedToTheNextMessage) {
    Feed("A\r\n\r\nX\r\n");
    EXPECT_EQ(messages, (Messages{"A\r", "\r\nX\r"}));
}

TEST_F(CaptureFixture, StartStringIsSoughtOnlyBetweenMessages) {
    capture.SetDataStart("$");
    Feed("junk before$GPRMC,$inside\r\ntail$X\r\n");
    EXPECT_EQ(messages, (Messages{"GPRMC,$inside\r", "X\r"}));
}

TEST_F(CaptureFixture, MultiCharacterStartStringSlides) {
    capture.SetDataStart("<<");
    Feed("<a<<b\r\n< <<c\r\n");
    EXPECT_EQ(messages, (Messages{"b\r", "c\r"}));
}

TEST_F(CaptureFixture, CaretFinishBehavesLikeRawCrLf) {
    capture.SetDataFinish("^M^J");
    Feed("ABC\r\nDEF\r\n");
    EXPECT_EQ(messages, (Messages{"ABC\r", "DEF\r"}));
}

struct CaretCase {
    const char* in;
    std::string out;
};

class CaretConversion : public ::testing::TestWithParam<CaretCase> {};

TEST_P(CaretConversion, Converts) { EXPECT_EQ(CaretToCtrl(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(
    Rules, CaretConversion,
    ::testing::Values(CaretCase{"^M^J", "\r\n"}, CaretCase{"^m^j", "\r\n"},
                      CaretCase{"^A^Z", "\x01\x1A"}, CaretCase{"^1", "^1"},
                      CaretCase{"a^", "a"}, CaretCase{"x^^My", "x"},
                      CaretCase{"plain", "plain"}, CaretCase{"^\xC4", "^\xC4"}));

TEST_F(CaptureFixture, ChangingTheFinishKeepsThePartialMessage) {
    Feed("AB");
    capture.SetDataFinish("#");
    Feed("C#");
    EXPECT_EQ(messages, (Messages{"ABC"}));
}

TEST_F(CaptureFixture, ShorterFinishAfterAPartialMatchIsStillFound) {
    // The match window held two characters of the old finish string; the new, shorter one
    // must still be recognised.
    capture.SetDataFinish("XYZ");
    Feed("aXY");
    capture.SetDataFinish("Q");
    Feed("bQ");
    EXPECT_EQ(messages, (Messages{"aXYb"}));
}

TEST_F(CaptureFixture, ResetDiscardsThePartialMessage) {
    Feed("partial");
    capture.Reset();
    Feed("new\r\n");
    EXPECT_EQ(messages, (Messages{"new\r"}));
}

TEST_F(CaptureFixture, SwitchingOffKeepsThePartialMessage) {
    Feed("AB");
    capture.SetActive(false);
    EXPECT_FALSE(capture.Active());
    capture.SetActive(true);
    Feed("C\r\n");
    EXPECT_EQ(messages, (Messages{"ABC\r"}));
}

TEST_F(CaptureFixture, EmptyFinishNeverCompletesAMessage) {
    capture.SetDataFinish("");
    Feed(std::string(2000, 'z') + "\r\n");
    EXPECT_TRUE(messages.empty());
    capture.SetDataFinish("\r\n");
    Feed("\r\n");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].size(), 999u);
}

TEST_F(CaptureFixture, NegativeMaxMsgLenDeliversEmptyMessages) {
    capture.SetMaxMsgLen(-5);
    Feed("abc\r\n");
    EXPECT_EQ(messages, (Messages{""}));
}

TEST_F(CaptureFixture, HandlerExceptionIsReportedOnceAndProcessingGoesOn) {
    std::vector<std::string> reports;
    auto previous = SetApplicationExceptionReporter(
        [&reports](const std::string& m) { reports.push_back(m); });
    capture.SetOnMessage([this](TVaCapture&, const std::string& m) {
        if (m == "bad\r") throw std::runtime_error("handler failed");
        messages.push_back(m);
    });
    Feed("bad\r\ngood\r\n");
    SetApplicationExceptionReporter(previous);
    EXPECT_EQ(reports, (std::vector<std::string>{"handler failed"}));
    EXPECT_EQ(messages, (Messages{"good\r"}));
}

TEST_F(CaptureFixture, WithoutHandlerMessagesAreDropped) {
    capture.SetOnMessage(nullptr);
    Feed("lost\r\n");
    capture.SetOnMessage([this](TVaCapture&, const std::string& m) { messages.push_back(m); });
    Feed("seen\r\n");
    EXPECT_EQ(messages, (Messages{"seen\r"}));
}

TEST(CaptureAttachment, FollowsThePortLifetime) {
    auto capture = std::make_unique<TVaCapture>();
    {
        TVaComm port;
        capture->SetComm(&port);
        EXPECT_EQ(capture->Comm(), &port);
        EXPECT_EQ(capture->Dispatcher().Comm(), &port);
    }
    EXPECT_EQ(capture->Comm(), nullptr); // the port dropped its clients when destroyed

    TVaComm port;
    capture->SetComm(&port);
    TVaComm other;
    capture->SetComm(&other); // moves from one port to the other
    EXPECT_EQ(capture->Comm(), &other);
    capture.reset(); // destroying the capture leaves the port's list
    EXPECT_EQ(other.WriteText("x"), false);
}

TEST(Dispatcher, WithoutPortWritesNothing) {
    TVaCapture capture;
    EXPECT_EQ(capture.Dispatcher().WriteBuf("ab", 2), 0);
    EXPECT_FALSE(capture.Dispatcher().WriteText("ab"));
    EXPECT_FALSE(capture.Dispatcher().WriteChar('a'));
    capture.Dispatcher().PurgeReadWrite(); // does nothing, raises nothing
}

} // namespace
