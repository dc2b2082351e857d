#include "runtime/codepage.h"
#include "ui/cloudplay/webviewbrowser.h"

#include <QUrl>
#include <gtest/gtest.h>

using namespace jiujiu;

// What reaches the engine. The URL class percent-encodes what cannot stand in a URL; nothing
// else of the link changes, and what is already encoded is not encoded twice.
TEST(BrowserUrl, KeepsTheAddressBytesExceptWhatAUrlCannotHold)
{
    struct Row
    {
        const char *name;
        std::string address; // runtime text
        const char *expected;
    };
    const std::string prefix = "http://h:81/iplay.html?uvs=_4_&url=";
    const std::string suffix = "&tryplay=1&from=vodHome";
    const Row rows[] = {
        {"plain", prefix + "ed2k://x" + suffix,
         "http://h:81/iplay.html?uvs=_4_&url=ed2k://x&tryplay=1&from=vodHome"},
        {"bars and spaces encoded", prefix + "ed2k://|file|a b|1|/" + suffix,
         "http://h:81/iplay.html?uvs=_4_&url=ed2k://%7Cfile%7Ca%20b%7C1%7C/"
         "&tryplay=1&from=vodHome"},
        {"escaped ampersand kept", prefix + "a&amp;b" + suffix,
         "http://h:81/iplay.html?uvs=_4_&url=a&amp;b&tryplay=1&from=vodHome"},
        {"encoded stays encoded", prefix + "a%7Cb%20c" + suffix,
         "http://h:81/iplay.html?uvs=_4_&url=a%7Cb%20c&tryplay=1&from=vodHome"},
        {"stray percent", prefix + "100%" + suffix,
         "http://h:81/iplay.html?uvs=_4_&url=100%25&tryplay=1&from=vodHome"},
        // GB18030 bytes of 啾啾 in, their UTF-8 percent-encoded out.
        {"Chinese from GB18030", prefix + "\xE0\xB1\xE0\xB1" + suffix,
         "http://h:81/iplay.html?uvs=_4_&url=%E5%95%BE%E5%95%BE&tryplay=1&from=vodHome"},
        {"no scheme", "www.example.com", "http://www.example.com"},
        {"empty", "", "about:blank"},
        {"blank", "  ", "about:blank"},
        {"invalid GB18030 byte", "http://h/\xFF", "http://h/%EF%BF%BD"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(BrowserUrl(row.address).toEncoded().toStdString(), row.expected);
    }
}
