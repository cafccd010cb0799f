// The extended attributes of a file, its POSIX access list (system.posix_acl_access) among
// them, carried over to the file that replaces it.
#pragma once

namespace posix {

// Gives the file open as to every extended attribute of the file open as from, with the same
// value, and takes from it an access list that from lacks (one its folder handed down). False
// when one cannot be set or taken: the caller then keeps the old file and writes it in place.
bool CopyExtendedAttributes(int from, int to);

}  // namespace posix
