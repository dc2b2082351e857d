#include "results/atomicfile.h"
#include "results/resultexport.h"
#include "results/resultrow.h"
#include "runtime/codepage.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

using namespace jiujiu;
namespace fs = std::filesystem;

namespace {

// An RFC 4180 reader written from the RFC, independent of the writer: records end at CR LF
// outside quotes; a quoted field may hold anything, "" is a quote.
std::vector<std::vector<std::string>> ReadCsv(const std::string &document)
{
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    enum
    {
        FieldStart,
        Unquoted,
        Quoted,
        QuoteInQuoted
    } state = FieldStart;
    for (std::size_t i = 0; i < document.size(); ++i) {
        const char c = document[i];
        const bool lineEnd = c == '\r' && i + 1 < document.size() && document[i + 1] == '\n';
        switch (state) {
        case FieldStart:
        case Unquoted:
            if (state == FieldStart && c == '"') {
                state = Quoted;
            } else if (c == ',') {
                record.push_back(field);
                field.clear();
                state = FieldStart;
            } else if (lineEnd) {
                record.push_back(field);
                records.push_back(record);
                record.clear();
                field.clear();
                ++i;
                state = FieldStart;
            } else {
                EXPECT_NE(c, '"') << "quote inside an unquoted field";
                EXPECT_NE(c, '\n') << "bare line feed outside quotes";
                field += c;
                state = Unquoted;
            }
            break;
        case Quoted:
            if (c == '"')
                state = QuoteInQuoted;
            else
                field += c;
            break;
        case QuoteInQuoted:
            if (c == '"') {
                field += '"';
                state = Quoted;
            } else if (c == ',') {
                record.push_back(field);
                field.clear();
                state = FieldStart;
            } else if (lineEnd) {
                record.push_back(field);
                records.push_back(record);
                record.clear();
                field.clear();
                ++i;
                state = FieldStart;
            } else {
                ADD_FAILURE() << "text after a closing quote";
            }
            break;
        }
    }
    EXPECT_TRUE(record.empty() && field.empty()) << "last record without CR LF";
    return records;
}

ResultRow Row(std::string serial, std::string name, std::string size, std::string sources,
              std::string link)
{
    return {Utf8ToText(serial), Utf8ToText(name), Utf8ToText(size), Utf8ToText(sources),
            Utf8ToText(link)};
}

std::string ReadFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class TemporaryDirectory
{
public:
    TemporaryDirectory()
    {
        std::string pattern = (fs::temp_directory_path() / "jiujiu-export-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TemporaryDirectory() { fs::remove_all(m_path); }
    const fs::path &path() const { return m_path; }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto &entry : fs::directory_iterator(m_path))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    fs::path m_path;
};

} // namespace

TEST(ResultExport, CsvRoundTripsThroughAReferenceReader)
{
    const std::vector<ResultRow> rows = {
        Row("1", "Tom & Jerry, the \"Remix\"", "1.37 GB", "120", "ed2k://|file|a,b.mkv|1|/"),
        Row("2", "每日新闻.第0001期.mp4", "700 MB", "3", "ed2k://|file|新闻.mp4|2|/"),
        Row("3", "two\r\nlines\nand a\rCR", "?", "", ""),
        Row("4", "  blanks kept  ", "12.3KB", "1,024", "\"quoted\""),
        Row("5", "", "", "", ""),
    };
    // 提示 for all but the last row; one that looks like a formula is guarded like any cell.
    const std::vector<std::string> hints = {"", "链接无效：这一行没有链接", "a, \"b\"\r\nc",
                                            "=1+1"};
    const char *hintsRead[] = {"", "链接无效：这一行没有链接", "a, \"b\"\r\nc", "'=1+1", ""};
    const std::string document = CsvDocument(rows, hints);
    ASSERT_TRUE(document.starts_with("\xEF\xBB\xBF")) << "byte-order mark";
    ASSERT_TRUE(IsValidUtf8(document));
    const auto records = ReadCsv(document.substr(3));
    ASSERT_EQ(records.size(), rows.size() + 1);
    EXPECT_EQ(records[0], (std::vector<std::string>{"序号", "名称", "大小", "大小(字节)", "资源数",
                                                    "链接", "提示"}));
    const char *bytes[] = {"1471026299", "734003200", "", "12595", ""};
    for (std::size_t r = 0; r < rows.size(); ++r) {
        SCOPED_TRACE(r);
        const ResultRow &row = rows[r];
        EXPECT_EQ(records[r + 1],
                  (std::vector<std::string>{TextToUtf8(row[0]), TextToUtf8(row[1]),
                                            TextToUtf8(row[2]), bytes[r], TextToUtf8(row[3]),
                                            TextToUtf8(row[4]), hintsRead[r]}));
    }
    EXPECT_EQ(CsvDocument(rows), CsvDocument(rows, std::vector<std::string>(rows.size())));
}

TEST(ResultExport, CsvFieldsQuoteOnlyWhereNeeded)
{
    struct Case
    {
        const char *name;
        const char *in;
        const char *out;
    };
    const Case cases[] = {
        {"plain", "abc", "abc"},
        {"empty", "", ""},
        {"comma", "a,b", "\"a,b\""},
        {"quote", "say \"hi\"", "\"say \"\"hi\"\"\""},
        {"line feed", "a\nb", "\"a\nb\""},
        {"carriage return", "a\rb", "\"a\rb\""},
        {"blanks need no quotes", " a ", " a "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CsvField(c.in), c.out);
    }
}

// OWASP's CSV injection advice: a cell a spreadsheet would run as a formula starts with an
// apostrophe, the rest of it kept.
TEST(ResultExport, CsvCellsThatLookLikeFormulasBecomeText)
{
    const struct
    {
        const char *in;
        const char *out;
    } cases[] = {
        {"=1+1", "'=1+1"},
        {"=HYPERLINK(\"http://x.example\",\"y\")",
         "\"'=HYPERLINK(\"\"http://x.example\"\",\"\"y\"\")\""},
        {"=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0"},
        {"+1", "'+1"},
        {"-2", "'-2"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\t=1", "'\t=1"},
        {"\r=1", "\"'\r=1\""},
        {"-a,b", "\"'-a,b\""},
        {"a=b", "a=b"},
        {" =1", " =1"},
        {"'=1", "'=1"},
        {"\n=1", "\"\n=1\""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(CsvField(c.in), c.out);
    }
    // Every cell of a record, the link and the hint included.
    EXPECT_EQ(CsvRecord(Row("=1", "+name", "-1 GB", "@3", "=link"), "-hint"),
              "'=1,'+name,'-1 GB,,'@3,'=link,'-hint\r\n");
}

TEST(ResultExport, LinkListTakesWellFormedEd2kFileLinksOnly)
{
    const std::string h = "|0123456789ABCDEF0123456789ABCDEF|/";
    const struct
    {
        std::string link;
        std::string line;
    } cases[] = {
        {"ed2k://|file|a.mkv|1" + h, "ed2k://|file|a.mkv|1" + h + "\n"},
        {"ED2K://|file|b.mkv|2" + h, "ED2K://|file|b.mkv|2" + h + "\n"},
        {"ed2k://|file|g\r\nh|3" + h, "ed2k://|file|gh|3" + h + "\n"},
        {"eD2k://|server|1.2.3.4|4661|/", ""}, // not a file: nothing to download
        {"ed2k://|file|a.mkv|1|A|/", ""},      // no hash
        {"ed2k://|file|a.mkv|0" + h, ""},      // no size
        {"", ""},
        {"ed2k:", ""},
        {"http://evil.example/ed2k://|file|d|4" + h, ""},
        {"magnet:?xt=urn:btih:00", ""},
        {"javascript:alert(1)", ""},
        {" ed2k://|file|e|5" + h, ""},
        {"\ned2k://|file|f|6" + h, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.link);
        EXPECT_EQ(LinkListLine(Row("1", "n", "", "", c.link)), c.line);
    }
}

TEST(ResultExport, LinkListHasOneLinkALine)
{
    const std::string h = "|0123456789ABCDEF0123456789ABCDEF|/";
    const std::vector<ResultRow> rows = {
        Row("1", "a", "", "", "ed2k://|file|Tom & Jerry 合集.rar|5" + h),
        Row("2", "no link", "", "", ""),
        Row("3", "b", "", "", "ed2k://|file|x\r\ny|6" + h),
    };
    EXPECT_EQ(LinkListDocument(rows),
              "ed2k://|file|Tom & Jerry 合集.rar|5" + h + "\ned2k://|file|xy|6" + h + "\n");
    EXPECT_EQ(LinkListDocument({}), "");
}

TEST(AtomicFile, WritesAndReplacesLeavingNoTemporaryFile)
{
    TemporaryDirectory dir;
    const fs::path target = dir.path() / "结果.csv";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(target.string(), "first", &error)) << error;
    EXPECT_EQ(ReadFile(target), "first");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteFileAtomically(target.string(), std::string(100000, 'x'), &error)) << error;
    EXPECT_EQ(ReadFile(target), std::string(100000, 'x'));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write)
        << "a replaced file keeps its permissions";
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"结果.csv"}));
    ASSERT_TRUE(WriteFileAtomically(target.string(), "", &error)) << error;
    EXPECT_EQ(ReadFile(target), "");
}

TEST(AtomicFile, FailuresLeaveNothingBehind)
{
    TemporaryDirectory dir;
    fs::create_directory(dir.path() / "sub");
    struct Case
    {
        const char *name;
        fs::path path;
    };
    const Case cases[] = {
        {"directory missing", dir.path() / "missing" / "a.csv"},
        {"target is a directory", dir.path() / "sub"},
        {"empty path", fs::path()},
        {"path ends in a slash", fs::path(dir.path().string() + "/")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(c.path.string(), "data", &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"sub"}));
        EXPECT_TRUE(fs::is_empty(dir.path() / "sub"));
    }
}

// A write that fails half-way (here the file-size limit) keeps the old file whole.
TEST(AtomicFile, FailedWriteKeepsTheOldFile)
{
    TemporaryDirectory dir;
    const fs::path target = dir.path() / "links.txt";
    ASSERT_TRUE(WriteFileAtomically(target.string(), "old contents\n"));

    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string error;
    const bool written = WriteFileAtomically(target.string(), std::string(1 << 20, 'n'), &error);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(target), "old contents\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"links.txt"}));
}
