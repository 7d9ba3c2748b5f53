// The readers of the one-entry-a-line list formats. None of them fails: what a line holds is
// either given to the sink or counted there as skipped; blank lines and comments are neither.
#pragma once

#include <string_view>

#include "tools/category-server/portable/EntrySink.h"

// One name a line (a category tree's "domains" file, or a plain list); "#" comments, also
// after a name.
void ReadDomainsList(std::string_view text, std::string_view category, CEntrySink& sink);

// "host/path" a line (a category tree's "urls" file), a scheme and a port allowed; a line
// with no path is a domain entry. "#" comments.
void ReadUrlsList(std::string_view text, std::string_view category, CEntrySink& sink);

// A hosts file: "ADDRESS name [name...]" with "#" comments; the system's own names
// (localhost, broadcasthost, ip6-...) are neither imported nor counted.
void ReadHostsList(std::string_view text, std::string_view category, CEntrySink& sink);

// A block list of "||name^" rules: only those plain domain rules are imported; rules with a
// path, options ("$..."), exceptions ("@@"), element hiding ("##") and any other syntax are
// counted as skipped; "!" comments, "# " comments and "[Adblock Plus 2.0]" headers are not.
void ReadAdblockList(std::string_view text, std::string_view category, CEntrySink& sink);

// The category server's own file: "host[/path] Category Name" a line, "#" comments.
void ReadCategoryDatabase(std::string_view text, CEntrySink& sink);
