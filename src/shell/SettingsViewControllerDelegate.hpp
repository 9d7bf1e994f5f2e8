#pragma once
// The interface is shared with the backup-and-restore page, below the shell.
#include "sync/SettingsViewControllerDelegate.hpp"
