#pragma once
// Puts the sync screens into the application: the shell's host for them,
// the session's sync engine, the Sync tab's screen, the settings'
// backup-and-restore page and the start of a sync asked for elsewhere (the
// home screen, the settings). Called once when the application starts.
namespace mv {

class FeatureWiring;

class SyncScreens {
 public:
  static void install(FeatureWiring& wiring);
  // The host removed again (tests).
  static void uninstall();
};

}  // namespace mv
