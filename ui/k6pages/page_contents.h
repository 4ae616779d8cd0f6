#pragma once
// The pages of the K6 window's page control, in their order, each with its caption and the code
// that lays out its controls.

#include "page_builder.h"

#include <span>

namespace dalvex::k6pages {

struct PageDef {
    const char* name;    // component name of the page
    const char* caption; // tab caption
    void (*build)(PageBuilder&);
};
std::span<const PageDef> K6PageDefs();

// The SMS text editors that warn of accented letters.
std::span<const char* const> AccentWarnedEditors();

} // namespace dalvex::k6pages
