// The filter grammar's table: every term kind through the public parse, and the README's
// filter section naming every term.
#include "results/filtergrammar.h"
#include "results/resultfilter.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace {

using namespace jiujiu;
using Reason = ResultFilter::Error::Reason;

// Two rows unlike in every way a term can look at.
struct Subjects
{
    std::string oldKey = ResultFilter::MatchKey("tom.mkv", "ed2k://|file|tom.mkv|1|A|/");
    std::string newKey = ResultFilter::MatchKey("x.exe", "ed2k://|file|x.exe|9|B|/");
    FilterSubject old{oldKey, 1073741824,       50,   FileType::Video, "mkv", false,
                      false,  RowStatus::Known, false};
    FilterSubject fresh{newKey, 1024,           1,   FileType::Program, "exe", true,
                        true,   RowStatus::New, true};
};

TEST(FilterGrammar, EveryTermKind)
{
    struct Row
    {
        FilterTermKind kind; // the kind the row stands for
        const char *expression;
        const char *accepted; // old row, new row; empty for an error
        std::optional<Reason> reason = std::nullopt;
        const char *value = "";
    };
    using K = FilterTermKind;
    const Row rows[] = {
        {K::Word, "TOM", "10"},
        {K::Word, "\"新\"", "00"}, // quoted: a word again
        {K::ExcludedWord, "-tom", "01"},
        {K::Phrase, "\"tom.mkv\"", "10"},
        {K::SizeBound, "size>=1GB", "10"},
        {K::SizeBound, "大小＜＝1KB", "01"},
        {K::SizeBound, "size>=", "", Reason::MissingSize, ""},
        {K::SizeBound, "size=1GB", "", Reason::NoSuchComparison, "1GB"},
        {K::SourcesBound, "资源数>10", "10"},
        {K::SourcesBound, "sources<5", "", Reason::SourcesMinimumOnly, "5"},
        {K::Type, "type:program", "01"},
        {K::Type, "类型：视频", "10"},
        {K::Type, "type:", "", Reason::MissingType, ""},
        // The value is everything after the field's colon, colons included.
        {K::Type, "类型：电影:1", "", Reason::UnknownType, "电影:1"},
        {K::Extension, "扩展名:.EXE", "01"},
        {K::Extension, "-ext:mkv", "01"},
        {K::Extension, "ext:", "", Reason::MissingExtension, ""},
        {K::Status, "status:已有", "10"},
        {K::Status, "状态：无", "01"},
        {K::Status, "STATUS:none", "01"},
        {K::Status, "-status:none", "10"},
        {K::Status, "status:新", "", Reason::UnknownStatus, "新"},
        {K::Status, "status:new", "", Reason::UnknownStatus, "new"},
        {K::Status, "status:", "", Reason::MissingStatus, ""},
        {K::BrokenLink, "链接无效", "01"},
        {K::Suspicious, "-可疑", "10"},
        {K::NewSinceLastRun, "新", "01"},
        {K::NewSinceLastRun, "NEW", "01"},
        {K::NewSinceLastRun, "-新", "10"},
        // A field name only counts at the front of a term.
        {K::Word, "a:type:视频", "00"},
        {K::Word, "sizes>1", "00"},
    };
    const Subjects subjects;
    std::set<FilterTermKind> covered;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.expression);
        covered.insert(row.kind);
        ResultFilter::Error error;
        const auto filter = ResultFilter::Parse(row.expression, error);
        if (row.reason) {
            ASSERT_FALSE(filter.has_value());
            EXPECT_EQ(error.reason, *row.reason);
            EXPECT_EQ(error.value, row.value);
            EXPECT_NE(error.reasonText(FilterLanguage::Chinese),
                      error.reasonText(FilterLanguage::English));
            continue;
        }
        ASSERT_TRUE(filter.has_value()) << error.what();
        const std::string accepted = std::string(filter->accepts(subjects.old) ? "1" : "0") +
                                     (filter->accepts(subjects.fresh) ? "1" : "0");
        EXPECT_EQ(accepted, row.accepted);
    }
    EXPECT_EQ(covered.size(), FilterTerms().size()) << "a term kind without a row";
}

// The README's filter section names every field, bare term and status word the table knows.
TEST(FilterGrammar, ReadmeNamesEveryTerm)
{
    std::ifstream file(std::string(JIUJIU_README));
    ASSERT_TRUE(file) << JIUJIU_README;
    std::stringstream text;
    text << file.rdbuf();
    const std::string readme = text.str();
    const std::size_t start = readme.find("- **Filter**");
    ASSERT_NE(start, std::string::npos);
    const std::string section = readme.substr(start, readme.find("\n- **", start + 1) - start);
    std::vector<std::string> names;
    for (const FilterTermSpec &term : FilterTerms()) {
        switch (term.shape) {
        case FilterTermShape::Bound:
            names.push_back("`" + std::string(term.english) + ">");
            names.push_back(std::string(term.chinese));
            break;
        case FilterTermShape::FieldValue:
            names.push_back("`" + std::string(term.english) + ":");
            names.push_back(std::string(term.chinese));
            break;
        case FilterTermShape::Bare:
            names.push_back("`" + std::string(term.english) + "`");
            names.push_back("`" + std::string(term.chinese) + "`");
            break;
        case FilterTermShape::Text:
            break;
        }
    }
    for (const RowStatus status : StatusTermOrder()) {
        names.push_back("`status:" + std::string(RowStatusTermWord(status)) + "`");
        names.push_back(std::string(RowStatusTermEnglish(status)) + "`");
    }
    ASSERT_GT(names.size(), 20u);
    for (const std::string &name : names)
        EXPECT_NE(section.find(name), std::string::npos) << name << " is not in the section";
}

} // namespace
