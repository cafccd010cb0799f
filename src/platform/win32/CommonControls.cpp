// Window subclassing from the system's common controls.
#include "platform/win32/CommonControls.h"

namespace win32 {

const CommonControls& CommonControls::Bound() {
  static const CommonControls bound;
  return bound;
}

CommonControls::CommonControls() {
  if (!(library_.Find(SetWindowSubclass, "SetWindowSubclass") &&
        library_.Find(GetWindowSubclass, "GetWindowSubclass") &&
        library_.Find(DefSubclassProc, "DefSubclassProc") &&
        library_.Find(RemoveWindowSubclass, "RemoveWindowSubclass") &&
        library_.Find(InitCommonControlsEx, "InitCommonControlsEx"))) {
    throw ELibraryError(library_.MissingText());
  }
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES};  // the tooltip class among them
  InitCommonControlsEx(&classes);
}

}  // namespace win32
