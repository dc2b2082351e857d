#include "search/searchwindow.h"

namespace jiujiu {

SearchWindow::~SearchWindow() = default;

} // namespace jiujiu
