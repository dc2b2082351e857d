#include "ui/coretexts.h"

#include "results/resultjudgement.h"
#include "runtime/coretext.h"
#include "ui/interfacelanguage.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <mutex>

namespace jiujiu {
namespace {

constexpr int kDeepest = 16; // nesting of templates: a failed search's parts go 8 deep

// A marked text taken apart: literals[0] slot[0] literals[1] … slot[n-1] literals[n].
struct Pattern
{
    QStringList literals;
    std::vector<int> holes;
    QString translated;
    qsizetype weight = 0; // literal characters: the most specific template is tried first
};

Pattern Parse(const std::string &marked)
{
    Pattern pattern;
    const QString source = QString::fromStdString(marked);
    QString literal;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const QChar c = source[i];
        if (c == u'%' && i + 1 < source.size() && source[i + 1] >= u'1' && source[i + 1] <= u'9') {
            pattern.literals << literal;
            pattern.weight += literal.size();
            literal.clear();
            pattern.holes.push_back(source[++i].unicode() - u'1');
            continue;
        }
        literal += c;
    }
    pattern.literals << literal;
    pattern.weight += literal.size();
    pattern.translated = QCoreApplication::translate("jiujiu", marked.c_str());
    return pattern;
}

// The core's marked texts, taken apart again when the core has used new ones (or the
// interface's language changed).
class Patterns
{
public:
    std::vector<Pattern> current()
    {
        const std::scoped_lock lock(m_mutex);
        const std::size_t count = UsedCoreTextCount();
        const bool english = InterfaceIsEnglish();
        if (count != m_count || english != m_english) {
            m_patterns.clear();
            for (const std::string &marked : UsedCoreTexts())
                m_patterns.push_back(Parse(marked));
            std::stable_sort(
                m_patterns.begin(), m_patterns.end(),
                [](const Pattern &a, const Pattern &b) { return a.weight > b.weight; });
            m_count = count;
            m_english = english;
        }
        return m_patterns;
    }

private:
    std::mutex m_mutex;
    std::vector<Pattern> m_patterns;
    std::size_t m_count = 0;
    bool m_english = false;
};

Patterns &ThePatterns()
{
    static Patterns patterns;
    return patterns;
}

// Fills captures[at…] from text[from…], where literal `at + 1` must follow the slot.
bool MatchSlots(const Pattern &pattern, const QString &text, std::size_t at, qsizetype from,
                QStringList &captures)
{
    const QString &next = pattern.literals[static_cast<qsizetype>(at) + 1];
    if (at + 1 == pattern.holes.size()) {
        if (text.size() - next.size() < from || !text.endsWith(next))
            return false;
        captures[static_cast<qsizetype>(at)] = text.mid(from, text.size() - next.size() - from);
        return true;
    }
    for (qsizetype found = text.indexOf(next, from); found >= 0;
         found = text.indexOf(next, found + 1)) {
        captures[static_cast<qsizetype>(at)] = text.mid(from, found - from);
        if (MatchSlots(pattern, text, at + 1, found + next.size(), captures))
            return true;
    }
    return false;
}

bool Match(const Pattern &pattern, const QString &text, QStringList &captures)
{
    if (pattern.holes.empty())
        return text == pattern.literals.front();
    if (!text.startsWith(pattern.literals.front()))
        return false;
    captures = QStringList(static_cast<qsizetype>(pattern.holes.size()));
    return MatchSlots(pattern, text, 0, pattern.literals.front().size(), captures);
}

// "3、5、7": a list of page numbers with the core's separator.
bool IsNumberList(const QString &text, const QString &separator)
{
    return text.contains(separator) && std::all_of(text.begin(), text.end(), [&](QChar c) {
               return c.isDigit() || separator.contains(c);
           });
}

QString Translated(const std::vector<Pattern> &patterns, const QString &text, int depth)
{
    // A name the core quotes is the user's, never taken apart.
    const bool quoted = text.startsWith(u'“') && text.endsWith(u'”');
    if (depth > kDeepest || text.isEmpty() || quoted)
        return text;
    QStringList captures;
    for (const Pattern &pattern : patterns) {
        if (!Match(pattern, text, captures))
            continue;
        QString out;
        const QString &to = pattern.translated;
        for (qsizetype i = 0; i < to.size(); ++i) {
            if (to[i] == u'%' && i + 1 < to.size() && to[i + 1] >= u'1' && to[i + 1] <= u'9') {
                const int slot = to[++i].unicode() - u'1';
                // The last capture of the slot: a slot may stand twice in a template.
                for (std::size_t s = pattern.holes.size(); s-- > 0;) {
                    if (pattern.holes[s] == slot) {
                        out += Translated(patterns, captures[static_cast<qsizetype>(s)], depth + 1);
                        break;
                    }
                }
                continue;
            }
            out += to[i];
        }
        return out;
    }
    // A message of several lines: each line on its own, its line end kept.
    if (text.contains(u'\n')) {
        QStringList lines = text.split(u'\n');
        for (QString &line : lines) {
            const bool carriageReturn = line.endsWith(u'\r');
            if (carriageReturn)
                line.chop(1);
            line = Translated(patterns, line, depth + 1);
            if (carriageReturn)
                line += u'\r';
        }
        return lines.join(u'\n');
    }
    static const char *const kListSeparator = "、";
    const QString separator = QString::fromUtf8(kListSeparator);
    if (IsNumberList(text, separator))
        return QString(text).replace(separator,
                                     QCoreApplication::translate("jiujiu", kListSeparator));
    // A word the window knows (a file type's name), else the argument as it came.
    return QCoreApplication::translate("jiujiu", text.toUtf8().constData());
}

} // namespace

QString InterfaceText(const QString &text)
{
    if (!InterfaceIsEnglish())
        return text;
    return Translated(ThePatterns().current(), text, 0);
}

QString InterfaceText(std::string_view utf8)
{
    return InterfaceText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

QString InterfaceHint(const std::vector<Warning> &warnings)
{
    QStringList reasons;
    for (const Warning &warning : warnings)
        reasons << InterfaceText(warning.text);
    // One line, like the hint the core writes for a spreadsheet.
    QString hint = reasons.join(QCoreApplication::translate("jiujiu", "；"));
    hint.replace(u'\r', u' ').replace(u'\n', u' ');
    return hint;
}

} // namespace jiujiu
