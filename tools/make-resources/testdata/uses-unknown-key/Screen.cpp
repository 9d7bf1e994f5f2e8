// A screen that looks up one key the tables have and one they lack.
#include <string>
std::string stringWithName(const std::string& key);
std::string titles() { return stringWithName("CANCEL") + Language::stringWithName( "NOSUCHKEY"); }
