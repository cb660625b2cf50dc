// Text a browser does not show: HTML comments and script and style blocks.
// Grading searches the page's text as it stands, hidden parts included; the
// teachers' tools use this to point out items that passed only on such text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "grading/answer_key.h"

namespace webexam {

// The text with every unit of a comment ("<!--" to "-->") and of a script or
// style element (its opening tag to the end of its closing tag) turned into
// U+FFFD, which no probe text holds, but for line feeds: positions and lines
// stay those of the text. A comment or block left
// open runs to the end of the text, as a browser reads it.
std::u16string MaskHiddenText(std::u16string_view text);

// The marks a decoded page text gets from `key`: each item's probe
// texts looked for in it, ignoring case and width, and the item's rule.
Marks MarksOfText(const AnswerKey& key, std::u16string_view text);

// The items that pass on `text` but fail once its hidden parts are masked:
// they passed only because their probe texts are in a comment, a script or a
// style block. In item order.
std::vector<int> ItemsPassedOnHiddenText(const AnswerKey& key, std::u16string_view text);

}  // namespace webexam
