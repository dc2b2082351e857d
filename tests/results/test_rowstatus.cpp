// Row status: which mark a file gets from the client's state and this run's hand-offs, and the
// filter's status: terms.
#include "ed2kclient/clientstate.h"
#include "metwriter.h"
#include "results/clientmarker.h"
#include "results/ed2klink.h"
#include "results/resultfilter.h"

#include <gtest/gtest.h>

using namespace jiujiu;
using jiujiu::test::HashOf;

namespace {

FilterSubject Subject(std::string_view key, RowStatus status)
{
    FilterSubject subject;
    subject.matchKey = key;
    subject.bytes = 1;
    subject.sources = 1;
    subject.status = status;
    return subject;
}

const char *const kHash = "0123456789abcdef0123456789abcdef";
const FileId kFile{HashOf(kHash), 1000};
const Ed2kLink kLink =
    Ed2kLink::Parse("ed2k://|file|a.avi|1000|0123456789ABCDEF0123456789ABCDEF|/");

// What the client's files hold of kFile.
enum Holds : unsigned
{
    Nothing = 0,
    Known = 1,
    Downloading = 2,
    Cancelled = 4,
    OtherSizeKnown = 8,
};

std::shared_ptr<const ClientState> StateHolding(unsigned holds)
{
    std::vector<FileId> known;
    std::vector<PartMet> downloads;
    std::vector<Md4Hash> cancelled;
    if (holds & Known)
        known.push_back(kFile);
    if (holds & OtherSizeKnown)
        known.push_back({kFile.hash, kFile.size + 1});
    if (holds & Downloading)
        downloads.push_back({kFile, 425});
    if (holds & Cancelled)
        cancelled.push_back(kFile.hash);
    return std::make_shared<const ClientState>(known, downloads, cancelled);
}

} // namespace

TEST(ClientMarker, MarkOfAFile)
{
    const struct
    {
        const char *what;
        unsigned before; // the client's files when the link was handed over (or not)
        bool handedOver;
        unsigned after; // and now
        RowStatus status;
    } rows[] = {
        {"unknown to the client", Nothing, false, Nothing, RowStatus::New},
        {"known", Nothing, false, Known, RowStatus::Known},
        {"downloading", Nothing, false, Downloading, RowStatus::Downloading},
        {"downloading wins over known", Nothing, false, Known | Downloading,
         RowStatus::Downloading},
        {"cancelled", Nothing, false, Cancelled, RowStatus::Cancelled},
        {"known wins over cancelled", Nothing, false, Known | Cancelled, RowStatus::Known},
        {"the size counts: another size is another file", Nothing, false, OtherSizeKnown,
         RowStatus::New},
        {"handed over, not yet taken", Nothing, true, Nothing, RowStatus::HandedOver},
        {"handed over, then downloading", Nothing, true, Downloading, RowStatus::Downloading},
        {"handed over, then had", Nothing, true, Known, RowStatus::Known},
        {"handed over, then cancelled", Nothing, true, Cancelled, RowStatus::Cancelled},
        {"an old cancellation gives way to the hand-off", Cancelled, true, Cancelled,
         RowStatus::HandedOver},
        {"cancelled, handed over again, downloading", Cancelled, true, Cancelled | Downloading,
         RowStatus::Downloading},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        ClientMarker marker(StateHolding(row.before));
        if (row.handedOver)
            marker.noteHandedOver(kLink);
        marker.setState(StateHolding(row.after));
        const RowMark mark = marker.markOf(kLink);
        EXPECT_EQ(mark.status, row.status);
        // 425 of 1000 bytes: 42.5 %.
        EXPECT_EQ(mark.donePermille,
                  row.status == RowStatus::Downloading ? std::optional<int>(425) : std::nullopt);
    }
    // A link that names no file has no mark, handed over or not.
    ClientMarker marker(StateHolding(Known | Cancelled));
    const Ed2kLink broken = Ed2kLink::Parse("ed2k://|file|a.avi|x|0123456789ABCDEF|/");
    marker.noteHandedOver(broken);
    EXPECT_EQ(marker.markOf(broken).status, RowStatus::New);
    EXPECT_FALSE(marker.wasHandedOver(broken));
}

TEST(StatusFilter, TermsAcceptRowsOfTheirStatus)
{
    // Accepted statuses in the order new, known, downloading, cancelled, handed over.
    const struct
    {
        const char *expression;
        const char *accepted;
    } rows[] = {
        {"", "11111"},
        {"status:已有", "01000"},
        {"STATUS:Known", "01000"},
        {"-status:已有", "10111"},
        {"状态：下载中", "00100"},
        {"状态:downloading", "00100"},
        {"status:已取消", "00010"},
        {"status:canceled", "00010"},
        {"status:cancelled", "00010"},
        {"status:无", "10000"},
        {"status:none", "10000"}, // JSON's word for it
        {"status:已交给客户端", "00001"},
        {"status:handed", "00001"},
        {"status:已有 status:无", "00000"}, // terms are ANDed
        {"-status:无 -status:已有", "00111"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.expression);
        ResultFilter::Error error;
        const auto filter = ResultFilter::Parse(row.expression, error);
        ASSERT_TRUE(filter) << error.what();
        std::string accepted;
        for (int s = 0; s < kRowStatusCount; ++s)
            accepted += filter->accepts(Subject("", static_cast<RowStatus>(s))) ? '1' : '0';
        EXPECT_EQ(accepted, row.accepted);
        EXPECT_EQ(filter->isEmpty(), std::string(row.accepted) == "11111");
    }
    // A quoted term is a phrase, and a field name must be whole.
    for (const char *words : {"\"status:已有\"", "statuses:已有"}) {
        const ResultFilter filter = ResultFilter::Parse(words);
        EXPECT_EQ(filter.included().size(), 1u) << words;
        EXPECT_TRUE(filter.accepts(Subject("x statuses:已有 y", RowStatus::New)) ==
                    (std::string(words) == "statuses:已有"));
    }
}

TEST(StatusFilter, TermsThatAreNoStatusAndNarrowing)
{
    const struct
    {
        const char *expression;
        ResultFilter::Error error;
    } errors[] = {
        {"status:", {ResultFilter::Error::Reason::MissingStatus, "status:", ":", ""}},
        {"big status:lots",
         {ResultFilter::Error::Reason::UnknownStatus, "status:lots", ":", "lots"}},
        {"-状态：x", {ResultFilter::Error::Reason::UnknownStatus, "-状态：x", ":", "x"}},
    };
    for (const auto &row : errors) {
        SCOPED_TRACE(row.expression);
        ResultFilter::Error error;
        EXPECT_FALSE(ResultFilter::Parse(row.expression, error));
        EXPECT_EQ(error, row.error);
    }

    ResultFilter hideKnown;
    hideKnown.excludeStatus(RowStatus::Known);
    EXPECT_FALSE(hideKnown.isEmpty());
    EXPECT_EQ(hideKnown, ResultFilter::Parse("-status:已有"));
    const struct
    {
        const char *narrower;
        const char *previous;
        bool narrows;
    } narrowing[] = {
        {"status:已有", "", true},
        {"", "status:已有", false},
        {"-status:无 -status:已有", "-status:无", true},
        {"-status:无", "-status:无 -status:已有", false},
        {"status:已有", "-status:无", true},
    };
    for (const auto &row : narrowing)
        EXPECT_EQ(ResultFilter::Parse(row.narrower).narrows(ResultFilter::Parse(row.previous)),
                  row.narrows)
            << row.narrower << " after " << row.previous;
}
