#include "runtime/codepage.h"
#include "ui/cloudplay/webviewbrowser.h"

#include <QUrl>
#include <gtest/gtest.h>

using namespace jiujiu;

TEST(BrowserTargetAddress, HelpFileFormOnlyWithAHelpFile)
{
    struct Row
    {
        const char *name;
        const char *address;
        Value helpFile;
        const char *expected;
    };
    const Row rows[] = {
        {"omitted", "http://h/p", Value(), "http://h/p"},
        {"empty", "http://h/p", Value(""), "http://h/p"},
        {"given", "page.htm", Value("帮助.chm"), "its:帮助.chm::page.htm"},
        {"given, empty address", "", Value("a.chm"), "its:a.chm::"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Value help = row.helpFile;
        if (const Text *t = help.as<Text>())
            help = Value(Utf8ToText(*t));
        EXPECT_EQ(TextToUtf8(BrowserTargetAddress(Utf8ToText(row.address), help)), row.expected);
    }
}
