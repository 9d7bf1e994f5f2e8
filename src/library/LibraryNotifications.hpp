#pragma once
// The names the library screen's parts talk by, posted and delivered on the
// main thread through the default notification centre. The sender is the
// part that posts; a receiver compares it with the parts it was given and
// reads what it needs from the part itself.
namespace mv::LibraryNotifications {

// The category tree chose a category (sender: the tree).
inline constexpr const char* kDisplayCatalog = "display_catalog";
// A file grid rebuilt its list (sender: the grid; user info {"ChangeTab": bool}).
inline constexpr const char* kReloadLibraryCatalog = "reloadlibrarycatalog";
inline constexpr const char* kChangeTab = "ChangeTab";
// A pan across a grid asks for the category panel (no sender).
inline constexpr const char* kShowLibraryMasterView = "ShowLibraryMasterView";
inline constexpr const char* kHideLibraryMasterView = "HideLibraryMasterView";

}  // namespace mv::LibraryNotifications
