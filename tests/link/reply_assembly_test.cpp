// The reply assembly on its own: bytes in, outcome and text out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/reply_assembly.h"

namespace kalvora {
namespace {

struct Fed {
    ReplyOutcome outcome = ReplyOutcome::Incomplete;
    int eventsUsed = 0;  // data events handed over until the outcome
};

// Delivers `bytes` in the given pieces (sizes); stops at the first outcome.
Fed FeedPieces(ReplyBuffer& r, bool controller, const std::string& bytes, const std::vector<int>& pieces)
{
    Fed fed;
    size_t at = 0;
    for (int size : pieces) {
        if (at >= bytes.size()) break;
        const int n = int(std::min<size_t>(size_t(size), bytes.size() - at));
        ++fed.eventsUsed;
        fed.outcome = FeedReply(r, controller, bytes.data() + at, n);
        at += size_t(n);
        if (fed.outcome != ReplyOutcome::Incomplete) break;
    }
    return fed;
}

std::vector<int> OneByteEach(size_t n) { return std::vector<int>(n, 1); }

ReplyBuffer Fresh(char terminator, int minLength)
{
    ReplyBuffer r;
    r.Reset();
    r.Terminator = terminator;
    r.MinReplyLength = minLength;
    return r;
}

struct WholeReplyCase {
    const char* name;
    bool controller;
    std::string bytes;
    int minLength;
    ReplyOutcome outcome;
    std::string text;  // ReplyText up to its NUL when the terminator came last in the event
};

const std::vector<WholeReplyCase>& WholeReplyCases()
{
    static const std::vector<WholeReplyCase> cases = {
        {"direct prompt", false, "\r\nOK\r\n#", 1, ReplyOutcome::Complete, "\r\nOK\r\n"},
        {"direct hash without CR LF is data", false, "a#b\r\n#", 1, ReplyOutcome::Complete, "a#b\r\n"},
        {"direct hash after CR only is data", false, "x\r#\r\n#", 1, ReplyOutcome::Complete, "x\r#\r\n"},
        {"controller prompt", true, "PASS *1BLKGN 1 20!BD\r\n\r\nOK\r\nCTRLR>", 21, ReplyOutcome::Complete,
         "PASS *1BLKGN 1 20!BD\r\n\r\nOK\r\nCTRLR"},
        {"controller gt without LR is data", true, "a>bR>L>LR>", 1, ReplyOutcome::Complete, "a>bR>L>LR"},
        {"terminator before the minimum is data", false, "\r\n#\r\n#", 4, ReplyOutcome::Complete, "\r\n#\r\n"},
        {"controller terminator before the minimum", true, "LR>abLR>", 4, ReplyOutcome::Complete, "LR>abLR"},
        {"rejection", true, "NTN\r\n?\r\nCTRLR>", 1, ReplyOutcome::Rejected, ""},
        {"error code 4", true, "TNQUERY *9SYINFOTN!\r\n!ERR 4\r\nCTRLR>", 8, ReplyOutcome::ErrorNoResponse, ""},
        {"error code 4 any separator", true, "!ERRx4", 1, ReplyOutcome::ErrorNoResponse, ""},
        {"other error code", true, "PASS *1X!00\r\n\r\n!ERR 3\r\nCTRLR>", 11, ReplyOutcome::ErrorCode, ""},
        {"direct mode knows no error replies", false, "?\r\nCTR!ERR 4\r\n#", 1, ReplyOutcome::Complete,
         "?\r\nCTR!ERR 4\r\n"},
    };
    return cases;
}

TEST(ReplyAssembly, EveryReplyGivesTheSameOutcomeWhereverItIsSplit)
{
    for (const auto& c : WholeReplyCases()) {
        // One piece, every split into two pieces, and one byte at a time.
        std::vector<std::vector<int>> deliveries = {{int(c.bytes.size())}, OneByteEach(c.bytes.size())};
        for (size_t split = 1; split < c.bytes.size(); ++split)
            deliveries.push_back({int(split), int(c.bytes.size() - split)});
        for (const auto& pieces : deliveries) {
            SCOPED_TRACE(std::string(c.name) + " in " + std::to_string(pieces.size()) + " pieces, first " +
                         std::to_string(pieces[0]));
            ReplyBuffer r = Fresh(c.controller ? '>' : '#', c.minLength);
            const Fed fed = FeedPieces(r, c.controller, c.bytes, pieces);
            EXPECT_EQ(fed.outcome, c.outcome);
            EXPECT_EQ(r.ReplyLength, 0) << "every end of a reply starts the next afresh";
            if (c.outcome == ReplyOutcome::Complete && fed.eventsUsed == int(pieces.size())) {
                EXPECT_EQ(std::string(r.ReplyText.constData()), c.text);
            }
        }
    }
}

TEST(ReplyAssembly, ErrorPatternsAreFoundAtTheirLastByteNotBefore)
{
    // Without the last byte of the pattern nothing is decided yet.
    for (const std::string partial : {"?\r\nCT", "!ERR ", "!ERR"}) {
        ReplyBuffer r = Fresh('>', 1);
        EXPECT_EQ(FeedPieces(r, true, partial, OneByteEach(partial.size())).outcome, ReplyOutcome::Incomplete)
            << partial;
    }
}

TEST(ReplyAssembly, TerminatorInTheMiddleOfAnEventKeepsTheBytesAfterItButTheLast)
{
    ReplyBuffer r = Fresh('#', 1);
    const std::string event = "\r\nOK\r\n#xyz";
    EXPECT_EQ(FeedReply(r, false, event.data(), int(event.size())), ReplyOutcome::Complete);
    EXPECT_EQ(std::string(r.ReplyText.constData()), "\r\nOK\r\n#xy");
}

TEST(ReplyAssembly, ReplySplitOverEventsContinuesWhereTheLastEventStopped)
{
    ReplyBuffer r = Fresh('#', 5);
    EXPECT_EQ(FeedReply(r, false, "ab", 2), ReplyOutcome::Incomplete);
    EXPECT_EQ(r.ReplyLength, 2);
    EXPECT_EQ(FeedReply(r, false, "c\r\n#", 4), ReplyOutcome::Complete);
    EXPECT_EQ(std::string(r.ReplyText.constData()), "abc\r\n");
}

TEST(ReplyAssembly, FloodNeverWritesPastTheBufferAndTheEndIsStillFound)
{
    for (bool controller : {false, true}) {
        ReplyBuffer r = Fresh(controller ? '>' : '#', 1);
        const std::string flood(600, 'A');
        for (size_t at = 0; at < flood.size(); at += 37) {
            const int n = int(std::min<size_t>(37, flood.size() - at));
            EXPECT_EQ(FeedReply(r, controller, flood.data() + at, n), ReplyOutcome::Incomplete);
            ASSERT_LE(r.ReplyLength, ReplyBuffer::kSize - 1);
        }
        EXPECT_EQ(r.ReplyText[ReplyBuffer::kSize - 1], '\0');
        const std::string end = controller ? "LR>" : "\r\n#";
        EXPECT_EQ(FeedReply(r, controller, end.data(), 3), ReplyOutcome::Complete);
        EXPECT_EQ(std::string(r.ReplyText.constData()), std::string(ReplyBuffer::kSize - 1, 'A'));
    }
}

TEST(ReplyAssembly, StaleTailOfAnEarlierReplyNeverCompletesTheNext)
{
    // "LR" ended the previous reply; a lone '>' starting the next one is data.
    ReplyBuffer r = Fresh('>', 0);
    EXPECT_EQ(FeedReply(r, true, "LR>", 3), ReplyOutcome::Complete);
    EXPECT_EQ(FeedReply(r, true, ">", 1), ReplyOutcome::Incomplete);
    EXPECT_EQ(r.ReplyLength, 1);
}

}  // namespace
}  // namespace kalvora
