#pragma once
// Whether a newer application version is offered (command 263).
#include <string>

#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

class CheckAppVersionRst : public NetBaseRst {
 public:
  std::string appVersion;
  std::string appUrl;
  std::string msgEnglish;
  std::string msgChinese;
  // 0 none; 1 and 2 prompts that may be put off; 3 always prompt.
  int updateType = 0;

  // The offer's text in the interface language.
  const std::string& updateMessage() const;
};

class RequestCheckVersion : public RequestInterfaceBase {
 public:
  RequestCheckVersion();

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
