#pragma once

#include "runtime/value.h"

#include <string_view>

namespace jiujiu {

// Decodes one level of HTML character references in a runtime text: the named references
// &lt; &gt; &amp; &quot; &apos; and decimal (&#39;) or hexadecimal (&#x27;) numeric ones.
// Anything else, an unterminated reference, or a number that names no character (zero,
// surrogates, beyond U+10FFFF) or a control character other than tab, line feed and carriage
// return stays as it is.
Text DecodeHtmlReferences(std::string_view text);

// A cell captured from the viewer's answer carries the viewer's escaping on top of the result
// page's own HTML: both levels are decoded, so "Tom &amp;amp; Jerry" reads "Tom & Jerry".
Text DecodeCapturedText(std::string_view text);
// The same for a cell captured from the answer in UTF-8; the result is UTF-8.
std::string DecodeCapturedUtf8(std::string_view utf8);

} // namespace jiujiu
