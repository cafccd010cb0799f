// Where a name leads once its symbolic links are followed, and the parts of a path.
#pragma once

#include <string>

namespace posix {

// The path that name leads to through any chain of symbolic links; the name itself when it is
// no link. The last path may not exist (a dangling link). Throws on a loop or an unreadable link.
std::string FollowLinks(const std::string& name);

// The folder of a path ("." for a bare name) and its last part.
std::string FolderOf(const std::string& path);
std::string BaseNameOf(const std::string& path);

}  // namespace posix
