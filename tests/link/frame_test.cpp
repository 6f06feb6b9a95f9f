// The frames to the units and the controller as bytes: each built frame against its bytes
// written out in hex, each byte string read back into its frame or its fault, and the marks of
// the controller's answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "link/frame.h"

namespace kalvora {
namespace {

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

std::string Printable(const QByteArray& bytes) { return bytes.toHex(' ').toStdString(); }

const char* FaultName(FrameFault f)
{
    switch (f) {
    case FrameFault::None: return "None";
    case FrameFault::Truncated: return "Truncated";
    case FrameFault::BadAddress: return "BadAddress";
    case FrameFault::BadChecksum: return "BadChecksum";
    case FrameFault::Garbage: return "Garbage";
    }
    return "?";
}

struct Vector {
    const char* what;
    SerialFrame frame;
    const char* hex;
};

// Every frame the program sends, built and read back: RS-485 IDs other than 1 and 2, the
// longest command, checksums below 16 and of exactly 0 mod 256.
const Vector kVectors[] = {
    {"command, unit ID 1", SerialFrame::command(1, "BLKGN 1 20"),
     "50 41 53 53 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 21 42 44 0D 0D"},
    {"command, unit ID 3", SerialFrame::command(3, "BLKGN 2 30"),
     "50 41 53 53 20 2A 33 42 4C 4B 47 4E 20 32 20 33 30 21 43 31 0D 0D"},
    {"checksum below 16 has a leading zero", SerialFrame::command(9, "BLKGN 3 199"),
     "50 41 53 53 20 2A 39 42 4C 4B 47 4E 20 33 20 31 39 39 21 30 38 0D 0D"},
    {"byte sum a multiple of 256", SerialFrame::command(9, "BLKGN 3 119"),
     "50 41 53 53 20 2A 39 42 4C 4B 47 4E 20 33 20 31 31 39 21 30 30 0D 0D"},
    {"the empty addressed line", SerialFrame::command(5, " "), "50 41 53 53 20 2A 35 20 21 41 30 0D 0D"},
    {"two-digit ID, tenths with a leading space", SerialFrame::command(17, "EFTA 3 R 128  2.2"),
     "50 41 53 53 20 2A 31 37 45 46 54 41 20 33 20 52 20 31 32 38 20 20 32 2E 32 21 32 35 0D 0D"},
    {"longest command, highest ID", SerialFrame::command(32, "MANSEAM 4 65535 255 255 255 255 255 255 255 255"),
     "50 41 53 53 20 2A 33 32 4D 41 4E 53 45 41 4D 20 34 20 36 35 35 33 35 20 32 35 35 20 32 35 35 20 32 35 35 20 "
     "32 35 35 20 32 35 35 20 32 35 35 20 32 35 35 20 32 35 35 21 30 45 0D 0D"},
    {"query with an argument", SerialFrame::query(7, "OINFOTN 3"), "54 4E 51 55 45 52 59 20 2A 37 4F 49 4E 46 4F 54 4E 20 33 21 0D"},
    {"query, highest ID", SerialFrame::query(32, "SYINFOTN"), "54 4E 51 55 45 52 59 20 2A 33 32 53 59 49 4E 46 4F 54 4E 21 0D"},
    {"query, two-digit ID", SerialFrame::query(17, "IINFOTN 4"),
     "54 4E 51 55 45 52 59 20 2A 31 37 49 49 4E 46 4F 54 4E 20 34 21 0D"},
    {"direct command", SerialFrame::line("BLKGN 1 20"), "42 4C 4B 47 4E 20 31 20 32 30 0D"},
    {"direct tenths", SerialFrame::line("EFTB 1  2.2"), "45 46 54 42 20 31 20 20 32 2E 32 0D"},
    {"direct procedure ends in two CRs", SerialFrame::line("RGBADJ", 2), "52 47 42 41 44 4A 0D 0D"},
    {"the controller's unit count", SerialFrame::line("NTN"), "4E 54 4E 0D"},
    {"the probe", SerialFrame::probe(), "0D"},
};

TEST(SerialFrame, BuildsEachFrameByteForByte)
{
    for (const Vector& v : kVectors) {
        SCOPED_TRACE(v.what);
        EXPECT_EQ(Printable(EncodeFrame(v.frame)), Printable(Hex(v.hex)));
    }
}

TEST(SerialFrame, ReadsEachFrameBackAsItWasBuilt)
{
    for (const Vector& v : kVectors) {
        SCOPED_TRACE(v.what);
        const ParsedFrame p = ParseFrame(Hex(v.hex));
        EXPECT_STREQ(FaultName(p.fault), "None");
        EXPECT_EQ(p.frame.kind, v.frame.kind);
        EXPECT_EQ(p.frame.unitId, v.frame.unitId);
        EXPECT_EQ(p.frame.text, v.frame.text);
        EXPECT_EQ(p.frame.lineEnds, v.frame.lineEnds);
    }
}

TEST(SerialFrame, TheLinkWritesACommandInFourPiecesWithTheBuildersChecksum)
{
    const QByteArray addressed = AddressedText(3, "BLKGN 2 30");
    EXPECT_EQ(addressed, Hex("2A 33 42 4C 4B 47 4E 20 32 20 33 30 21"));
    EXPECT_EQ(FrameChecksum(addressed), 0xC1);
    const CommandPieces c = CommandFramePieces(addressed, FrameChecksum(addressed));
    EXPECT_EQ(c.pieces[0], Hex("50 41 53 53 20"));
    EXPECT_EQ(c.pieces[1], addressed);
    EXPECT_EQ(c.pieces[2], Hex("43 31"));
    EXPECT_EQ(c.pieces[3], Hex("0D 0D"));
    EXPECT_EQ(c.lineLength(), addressed.size() + 8);  // through the first CR
    // A resend reuses the checksum the builder computed, whatever the text holds by then.
    EXPECT_EQ(CommandFramePieces(addressed, 0x0A).pieces[2], Hex("30 41"));
}

TEST(SerialFrame, TellsWhatIsWrongWithReceivedBytes)
{
    struct Case {
        const char* what;
        const char* hex;
        FrameFault fault;
        FrameKind kind;
        int unitId;
        const char* text;
    } cases[] = {
        // "PASS *1BLKGN 1 20!BE" CR CR: one off
        {"wrong checksum", "50 41 53 53 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 21 42 45 0D 0D", FrameFault::BadChecksum,
         FrameKind::Command, 1, "BLKGN 1 20"},
        {"checksum in lower case", "50 41 53 53 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 21 62 64 0D 0D",
         FrameFault::BadChecksum, FrameKind::Command, 1, "BLKGN 1 20"},
        {"one checksum digit, line ended", "50 41 53 53 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 21 42 0D 0D",
         FrameFault::BadChecksum, FrameKind::Command, 1, "BLKGN 1 20"},
        {"three checksum digits", "50 41 53 53 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 21 42 44 44 0D 0D",
         FrameFault::BadChecksum, FrameKind::Command, 1, "BLKGN 1 20"},
        {"cut after the first checksum digit", "50 41 53 53 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 21 42",
         FrameFault::Truncated, FrameKind::Command, 1, "BLKGN 1 20"},
        {"cut after the addressed text", "50 41 53 53 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 21", FrameFault::Truncated,
         FrameKind::Command, 1, "BLKGN 1 20"},
        {"cut inside the keyword", "50 41 53 53 20 2A 31 42 4C 4B", FrameFault::Truncated, FrameKind::Command, 1, "BLK"},
        {"cut after the star", "50 41 53 53 20 2A", FrameFault::Truncated, FrameKind::Command, 0, ""},
        {"the envelope alone", "50 41 53 53 20", FrameFault::Truncated, FrameKind::Command, 0, ""},
        {"no '!' before the CRs", "50 41 53 53 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 0D 0D", FrameFault::BadAddress,
         FrameKind::Command, 1, "BLKGN 1 20"},
        // "PASS *0BLKGN 1 20!BC": the sum is right, ID 0 is not an RS-485 ID
        {"ID 0", "50 41 53 53 20 2A 30 42 4C 4B 47 4E 20 31 20 32 30 21 42 43 0D 0D", FrameFault::BadAddress,
         FrameKind::Command, 0, "BLKGN 1 20"},
        // "PASS *33BLKGN 1 20!F2"
        {"ID 33", "50 41 53 53 20 2A 33 33 42 4C 4B 47 4E 20 31 20 32 30 21 46 32 0D 0D", FrameFault::BadAddress,
         FrameKind::Command, 33, "BLKGN 1 20"},
        // "PASS *123BLKGN 1 20!22"
        {"three ID digits", "50 41 53 53 20 2A 31 32 33 42 4C 4B 47 4E 20 31 20 32 30 21 32 32 0D 0D",
         FrameFault::BadAddress, FrameKind::Command, 123, "BLKGN 1 20"},
        {"no star", "50 41 53 53 20 42 4C 4B 47 4E 20 31 20 32 30 21 42 44 0D 0D", FrameFault::BadAddress,
         FrameKind::Command, 0, ""},
        {"a space before the star", "50 41 53 53 20 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 21 42 44 0D 0D",
         FrameFault::BadAddress, FrameKind::Command, 0, ""},
        {"a third CR", "50 41 53 53 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 21 42 44 0D 0D 0D", FrameFault::Garbage,
         FrameKind::Command, 1, "BLKGN 1 20"},
        {"bytes after the CRs", "50 41 53 53 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 21 42 44 0D 0D 58",
         FrameFault::Garbage, FrameKind::Command, 1, "BLKGN 1 20"},
        // As a line-reading peer has them, up to the first CR: complete.
        {"command without its CRs", "50 41 53 53 20 2A 31 42 4C 4B 47 4E 20 31 20 32 30 21 42 44", FrameFault::None,
         FrameKind::Command, 1, "BLKGN 1 20"},
        // "PASS *05DDBL 1!17": a leading zero still names ID 5
        {"ID with a leading zero", "50 41 53 53 20 2A 30 35 44 44 42 4C 20 31 21 31 37", FrameFault::None,
         FrameKind::Command, 5, "DDBL 1"},
        {"query without its CR", "54 4E 51 55 45 52 59 20 2A 37 4F 49 4E 46 4F 54 4E 20 33 21", FrameFault::None,
         FrameKind::Query, 7, "OINFOTN 3"},
        {"query with white space around the address", "54 4E 51 55 45 52 59 20 20 2A 37 4F 49 4E 46 4F 54 4E 20 33 21 20 0D",
         FrameFault::None, FrameKind::Query, 7, "OINFOTN 3"},
        {"query cut before its '!'", "54 4E 51 55 45 52 59 20 2A 37 4F 49 4E 46 4F 54 4E 20 33", FrameFault::Truncated,
         FrameKind::Query, 7, "OINFOTN 3"},
        {"query ended without '!'", "54 4E 51 55 45 52 59 20 2A 37 4F 49 4E 46 4F 54 4E 20 33 0D", FrameFault::BadAddress,
         FrameKind::Query, 7, "OINFOTN 3"},
        {"query to ID 0", "54 4E 51 55 45 52 59 20 2A 30 53 59 49 4E 46 4F 54 4E 21 0D", FrameFault::BadAddress,
         FrameKind::Query, 0, "SYINFOTN"},
        {"query to ID 33", "54 4E 51 55 45 52 59 20 2A 33 33 53 59 49 4E 46 4F 54 4E 21 0D", FrameFault::BadAddress,
         FrameKind::Query, 33, "SYINFOTN"},
        {"query with a second CR", "54 4E 51 55 45 52 59 20 2A 37 53 59 49 4E 46 4F 54 4E 21 0D 0D", FrameFault::Garbage,
         FrameKind::Query, 7, "SYINFOTN"},
        {"line cut before its CR", "4F 49 4E 46 4F 54 4E 20 33", FrameFault::None, FrameKind::Line, 0, "OINFOTN 3"},
        {"two lines at once", "4E 54 4E 0D 4E 54 4E 0D", FrameFault::Garbage, FrameKind::Line, 0, "NTN"},
        {"nothing", "", FrameFault::None, FrameKind::Line, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ParsedFrame p = ParseFrame(Hex(c.hex));
        EXPECT_STREQ(FaultName(p.fault), FaultName(c.fault));
        EXPECT_EQ(p.frame.kind, c.kind);
        EXPECT_EQ(p.frame.unitId, c.unitId);
        EXPECT_EQ(p.frame.text, QByteArray(c.text));
    }
}

TEST(SerialFrame, ReadsTheAddressedTextTheBuildersWrite)
{
    struct Case {
        const char* hex;
        FrameFault fault;
        int unitId;
        const char* text;
    } cases[] = {
        {"2A 31 42 4C 4B 47 4E 20 31 20 32 30 21", FrameFault::None, 1, "BLKGN 1 20"},  // *1BLKGN 1 20!
        {"2A 33 32 20 21", FrameFault::None, 32, " "},                                  // *32 !
        {"2A 30 20 21", FrameFault::BadAddress, 0, " "},                                // *0 !
        {"2A 33 33 20 21", FrameFault::BadAddress, 33, " "},                            // *33 !
        {"2A 37 44 44 42 4C 20 31", FrameFault::BadAddress, 7, "DDBL 1"},               // *7DDBL 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hex);
        const ParsedFrame p = ParseAddressed(Hex(c.hex));
        EXPECT_STREQ(FaultName(p.fault), FaultName(c.fault));
        EXPECT_EQ(p.frame.unitId, c.unitId);
        EXPECT_EQ(p.frame.text, QByteArray(c.text));
    }
}

TEST(SerialFrame, TheLongestTextsGoThereAndBackUnchanged)
{
    // The command buffer holds 249 characters: the longest addressed text a builder can write.
    for (const int id : {7, 32}) {
        const QByteArray text(249 - 2 - int(QByteArray::number(id).size()), 'Z');
        for (const SerialFrame& f : {SerialFrame::command(id, text), SerialFrame::query(id, text)}) {
            const QByteArray bytes = EncodeFrame(f);
            const ParsedFrame p = ParseFrame(bytes);
            EXPECT_TRUE(p.ok()) << FaultName(p.fault);
            EXPECT_EQ(p.frame, f);
            // Any byte less is a frame still arriving, never a different complete frame.
            const qsizetype envelope = f.kind == FrameKind::Command ? kCommandEnvelope.size() : kQueryEnvelope.size();
            for (qsizetype n = envelope; n < bytes.size(); ++n) {
                const ParsedFrame cut = ParseFrame(bytes.first(n));
                const bool completeLine = n >= bytes.size() - f.lineEnds;  // only CRs left out
                EXPECT_EQ(cut.ok(), completeLine) << n << " " << FaultName(cut.fault);
            }
        }
    }
}

TEST(SerialFrame, BuildsTheControllersAnswersByteForByte)
{
    EXPECT_EQ(Printable(ControllerRejection()), Printable(Hex("3F 0D 0A 43 54 52 4C 52 3E")));
    EXPECT_EQ(Printable(ControllerErrorAnswer('4')), Printable(Hex("21 45 52 52 20 34 0D 0A 43 54 52 4C 52 3E")));
    EXPECT_EQ(Printable(ControllerAnswer("OK")), Printable(Hex("4F 4B 0D 0A 43 54 52 4C 52 3E")));
}

TEST(SerialFrame, RecognisesTheControllersMarksAsTheirLastByteArrives)
{
    struct Case {
        const char* hex;
        ReplyMark mark;
    } cases[] = {
        {"3F 0D 0A 43 54 52", ReplyMark::Rejection},          // ? CR LF C T R
        {"4F 4B 3F 0D 0A 43 54 52", ReplyMark::Rejection},    // after other bytes
        {"3F 0D 0A 43 54", ReplyMark::None},                  // not yet
        {"3F 0A 0D 43 54 52", ReplyMark::None},               // LF CR
        {"21 45 52 52 20 34", ReplyMark::ErrorNoResponse},    // !ERR 4
        {"21 45 52 52 78 34", ReplyMark::ErrorNoResponse},    // any one character before the code
        {"21 45 52 52 20 33", ReplyMark::ErrorCode},          // !ERR 3
        {"21 45 52 52 20 41", ReplyMark::ErrorCode},          // a code that is not a digit
        {"21 45 52 52 20", ReplyMark::None},                  // the code has not come yet
        {"21 45 52 52 34", ReplyMark::None},                  // the character before the code is missing
        {"4C 52 3E", ReplyMark::None},                        // the prompt's end is not a mark
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hex);
        const QByteArray bytes = Hex(c.hex);
        char tail[6] = {};
        const int n = int(std::min<qsizetype>(bytes.size(), 6));
        std::memcpy(tail + 6 - n, bytes.constData() + bytes.size() - n, size_t(n));
        EXPECT_EQ(MarkOfTail(tail, 6, int(bytes.size())), c.mark);
    }
    EXPECT_TRUE(EndsReply(true, 'L', 'R'));
    EXPECT_FALSE(EndsReply(true, 'R', 'L'));
    EXPECT_FALSE(EndsReply(true, '\r', '\n'));
    EXPECT_TRUE(EndsReply(false, '\r', '\n'));
    EXPECT_FALSE(EndsReply(false, -1, '\n'));
}

TEST(SerialFrame, FindsTheEchoOfTheSentLineInAReply)
{
    // A late answer to an earlier attempt, then the echo of this attempt and its answer.
    const QByteArray reply = Hex("4F 4B 0D 0A 43 54 52 4C 52 3E "                             // OK CR LF CTRLR>
                                 "50 41 53 53 20 2A 33 42 4C 4B 47 4E 20 32 20 33 30 21 43 31 0D 0A 0D 0A "
                                 "4F 4B 0D 0A 43 54 52 4C 52 3E");
    EXPECT_EQ(FindEcho(reply, AddressedText(3, "BLKGN 2 30")), 15);
    EXPECT_EQ(FindEcho(reply, AddressedText(7, "BLKGN 2 30")), -1);
    EXPECT_EQ(FindEcho(Hex("54 4E 51 55 45 52 59 20 2A 37 53 59 49 4E 46 4F 54 4E 21 0D 0A 01 08"),
                       EncodeFrame(SerialFrame::query(7, "SYINFOTN"))),
              0);  // the line up to its CR
    EXPECT_EQ(FindEcho(reply, ""), 0);
}

}  // namespace
}  // namespace kalvora
