#include "link/queries.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "link/decode.h"
#include "link/frame.h"
#include "link/link.h"
#include "platform/operator.h"
#include "settings/records.h"

namespace kalvora {
namespace {

enum class BlockQuery { SystemInfo, Input, Output };

struct QueryInfo {
    std::string_view kinds;
    int minReplyLength;
    const QString* parseError;
};

QueryInfo InfoOf(BlockQuery q)
{
    switch (q) {
    case BlockQuery::SystemInfo: return {kSystemInfoKinds, kMinReplySystemInfo, &kStatusParseSystemInfo};
    case BlockQuery::Input: return {kInputKinds, kMinReplyInput, &kStatusParseInput};
    case BlockQuery::Output: return {kOutputKinds, kMinReplyOutput, &kStatusParseOutput};
    }
    return {kSystemInfoKinds, kMinReplySystemInfo, &kStatusParseSystemInfo};
}

std::span<const uint8_t> ReplyBytes(const Link& link)
{
    const QByteArray& text = link.replyText();
    return {reinterpret_cast<const uint8_t*>(text.constData()), size_t(text.size())};
}

// SendQuery() and the resend rules: in controller mode the query goes again while the
// controller rejects it or reports an error code other than 4 (OINFOTN also while nothing came
// back), with the operator's way out after every third failed attempt. True when a reply is
// there to be searched.
bool SendWithResends(Link& link, bool resendOnEmpty)
{
    // A closed port or a refused query asked nothing: whatever the reply buffer holds is an
    // earlier reply and must not be parsed.
    if (link.SendQuery()) return true;
    if (!link.port().isOpen() || !link.MayStart()) return false;
    if (link.throughController()) {
        auto again = [&] {
            return link.lastOutcome().controllerRefused() || (resendOnEmpty && link.replyText().at(0) == '\0');
        };
        for (int failures = 1; again() && link.port().isOpen() && !link.lastOutcome().stopsSequence(); ++failures) {
            if (!link.KeepTrying(failures, true)) return false;
            link.SendQuery();
        }
    }
    return link.lastOutcome().done() && link.port().isOpen();
}

// Common request steps of SYINFOTN, IINFOTN and OINFOTN. Returns the marker position or -1.
int RunBlockQuery(Link& link, BlockQuery q, int u, int n)
{
    // Inside another operation's wait the command text belongs to that operation.
    if (!link.MayStart()) return -1;
    if (!link.MayAddress(u)) {
        link.op().showMessage(MsgUnitNotReported(u));
        return -1;
    }
    const int id = link.unitId(u);
    QByteArray request;
    switch (q) {
    case BlockQuery::SystemInfo: request = QByteArrayLiteral("SYINFOTN"); break;
    case BlockQuery::Input: request = QByteArrayLiteral("IINFOTN ") + QByteArray::number(n); break;
    case BlockQuery::Output: request = QByteArrayLiteral("OINFOTN ") + QByteArray::number(n); break;
    }
    // Through the controller the query is relayed to the unit's ID; a direct unit gets the line.
    link.SetCommandFrame(link.throughController() ? SerialFrame::query(id, request) : SerialFrame::line(request));
    const QueryInfo info = InfoOf(q);
    link.setMinReplyLength(info.minReplyLength);
    if (!SendWithResends(link, q == BlockQuery::Output)) return -1;

    const int marker = FindMarker(ReplyBytes(link), info.kinds);
    if (marker < 0) {
        // An answer that is not a block (line noise, the rest of an earlier reply) may pass:
        // the query can be tried again.
        link.noteUnusableReply();
        link.op().setStatus(*info.parseError);
        link.HandlePendingEvents();
        link.WaitMs(100);
        if (q == BlockQuery::SystemInfo) link.HandlePendingEvents();
    }
    return marker;
}

std::span<const uint8_t> BlockData(const Link& link, int marker) { return ReplyBytes(link).subspan(size_t(marker) + 2); }

bool ValidUnit(int u) { return u == 1 || u == 2; }
bool ValidIndex(int i) { return i >= 1 && i <= 4; }

}  // namespace

int QueryUnitCount(Link& link)
{
    if (!link.MayStart()) return 0;
    link.SetCommandFrame(SerialFrame::line(QByteArrayLiteral("NTN")));
    link.setMinReplyLength(kMinReplyNtn);
    if (!SendWithResends(link, false)) return 0;

    const NtnReply r = ParseNtnReply(ReplyBytes(link));
    if (!r.digitFound || r.numbers == 0) {
        link.noteUnusableReply();  // not an answer to NTN: it may be tried again
        link.op().setStatus(kStatusNtnError);
        return 0;
    }
    // A unit counts as reported only with its ID: an ID the reply left out is not guessed.
    link.setUnitsReported(r.count >= 1 && r.numbers >= 2 && r.id1 > 0 ? (r.count >= 2 && r.numbers >= 3 && r.id2 > 0 ? 2 : 1) : 0);
    if (r.count == 0) {
        link.op().showMessage(kMsgNoUnits);
        link.setUnitIds({link.unitIds().id, {false, false}});
        return 0;
    }
    UnitIds ids = link.unitIds();
    if (r.numbers >= 2) ids.id[0] = r.id1;
    ids.detected[0] = true;
    if (r.count >= 2) {
        if (r.numbers >= 3) ids.id[1] = r.id2;
        ids.detected[1] = true;
    }
    link.setUnitIds(ids);
    return r.count;
}

bool QuerySystemInfo(Link& link, int u)
{
    if (!ValidUnit(u)) return false;
    const int marker = RunBlockQuery(link, BlockQuery::SystemInfo, u, 0);
    if (marker < 0) return false;
    const auto data = BlockData(link, marker);
    link.setUnitInfoText(u, reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    return true;
}

bool QueryInput(Link& link, Settings& settings, int u, int ch)
{
    if (!ValidUnit(u) || !ValidIndex(ch)) return false;
    const int marker = RunBlockQuery(link, BlockQuery::Input, u, ch);
    if (marker < 0) return false;
    const char kind = char(ReplyBytes(link)[size_t(marker) + 1]);
    if (!DecodeInputBlock(settings.input(u, ch), kind, BlockData(link, marker))) return false;
    link.noteReportedInput(u, ch, settings.input(u, ch));
    return true;
}

bool QueryOutput(Link& link, Settings& settings, int u, int s)
{
    if (!ValidUnit(u) || !ValidIndex(s)) return false;
    const int marker = RunBlockQuery(link, BlockQuery::Output, u, s);
    if (marker < 0) return false;
    return DecodeOutputBlock(settings.output(u, s), BlockData(link, marker));
}

bool QueryUnit(Link& link, Settings& settings, int u)
{
    if (!ValidUnit(u)) return false;
    // Each query gets one more try after 1 ms, unless the operator gave it up.
    auto twice = [&link](auto&& query) {
        if (query()) return true;
        if (link.sequenceStopped() || !link.port().isOpen()) return false;
        link.WaitMs(1);
        return query();
    };
    if (!twice([&] { return QuerySystemInfo(link, u); })) return false;

    const QByteArray info1 = link.unitInfoText(1);
    link.setUnitVersion(info1.size() > 2 ? QString::fromLatin1(info1.mid(2)) : QString());

    for (int ch = 1; ch <= 4; ++ch)
        if (!twice([&] { return QueryInput(link, settings, u, ch); })) return false;
    for (int s = 1; s <= 4; ++s)
        if (!twice([&] { return QueryOutput(link, settings, u, s); })) return false;

    settings.StatusReadAvailable = true;
    int width = 0, height = 0;
    if (OutputFormatSize(settings.output(1, 1).OutputFormat, width, height)) {
        settings.OutputWidth = width;
        settings.OutputHeight = height;
        if (settings.input(1, 1).HActive != width) link.op().showMessage(kMsgFormatMismatch);
    }
    return true;
}

}  // namespace kalvora
