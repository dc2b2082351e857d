#include "app/importresolver.h"

#include "app/hostimports.h"

namespace jiujiu {

namespace {
ImportResolver *g_resolver = nullptr;
}

ImportResolver::~ImportResolver() = default;

ImportResolver *CurrentImportResolver()
{
    return g_resolver ? g_resolver : &ProgramImports();
}

ImportResolver *SetImportResolver(ImportResolver *resolver)
{
    ImportResolver *previous = g_resolver;
    g_resolver = resolver;
    return previous;
}

} // namespace jiujiu
