#pragma once
// The interface is shared with the sync screens, below the shell.
#include "sync/ConfigDelegate.hpp"
