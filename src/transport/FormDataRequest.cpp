#include "transport/FormDataRequest.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "transport/CookieStore.hpp"
#include "transport/NetworkEngine.hpp"
#include "transport/Transfer.hpp"

namespace mv {

namespace {

std::string userAgentOverride;
std::filesystem::path authoritiesFile;

bool isPlainSegment(const std::string& s) {
  return !s.empty() && s != "." && s != ".." && s.find('/') == std::string::npos &&
         s.find('\0') == std::string::npos;
}

std::string currentLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    std::string locale(value);
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale.empty() || locale == "C" || locale == "POSIX") break;
    return locale;
  }
  return "en_US";
}

}  // namespace

FormDataRequest::FormDataRequest(std::string url) : url_(std::move(url)) {}

FormDataRequest::~FormDataRequest() {
  if (state_ == State::Running) NetworkEngine::shared().cancel(transferId_);
}

std::filesystem::path FormDataRequest::temporaryDownloadPath(const std::filesystem::path& tmpFolder,
                                                             const std::string& clientId, int fileType,
                                                             const std::string& fileName) {
  if (!isPlainSegment(clientId) || !isPlainSegment(fileName)) return {};
  return tmpFolder / "tempDownload" / clientId / std::to_string(fileType) / fileName;
}

std::filesystem::path FormDataRequest::resumeRecordPath(const std::filesystem::path& temporaryPath) {
  return Transfer::resumeRecordPath(temporaryPath);
}

std::string FormDataRequest::defaultUserAgent() {
  if (!userAgentOverride.empty()) return userAgentOverride;
  return "Marvisto/" + base::Bundle::shortVersion() + " (Linux; " + currentLocale() + ")";
}

void FormDataRequest::setDefaultUserAgent(std::string userAgent) {
  MV_ASSERT_MAIN_THREAD();
  userAgentOverride = std::move(userAgent);
}

std::filesystem::path FormDataRequest::certificateAuthorities() { return authoritiesFile; }

void FormDataRequest::setCertificateAuthorities(std::filesystem::path file) {
  MV_ASSERT_MAIN_THREAD();
  authoritiesFile = std::move(file);
}

void FormDataRequest::setRequestMethod(std::string method) {
  for (auto& c : method) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  method_ = method.empty() ? "GET" : std::move(method);
}

void FormDataRequest::setPostValue(const std::string& value, const std::string& key) {
  formFields_.push_back(TransferSetup::FormField{key, value, false, {}, {}});
}

void FormDataRequest::setData(const std::string& data, const std::string& key, const std::string& fileName,
                              const std::string& contentType) {
  formFields_.push_back(TransferSetup::FormField{key, data, true, fileName, contentType});
}

std::string FormDataRequest::responseHeader(const std::string& name) const {
  auto it = responseHeaders_.find(name);
  return it == responseHeaders_.end() ? std::string() : it->second;
}

bool FormDataRequest::startAsynchronous() {
  MV_ASSERT_MAIN_THREAD();
  if (state_ != State::Ready) return false;
  selfRetain_ = weak_from_this().lock();
  if (!selfRetain_) return false;  // must be owned by a shared_ptr
  launch();
  return true;
}

void FormDataRequest::launch() {
  auto& engine = NetworkEngine::shared();
  TransferSetup spec;
  spec.id = engine.nextTransferId();
  spec.url = url_;
  spec.method = method_;
  for (const auto& header : requestHeaders_) spec.headers.emplace_back(header.first, header.second);
  spec.body = postBody_;
  spec.formFields = formFields_;
  spec.timeOutSeconds = timeOutSeconds_;
  spec.lowSpeedBytesPerSecond = lowSpeedBytesPerSecond_;
  spec.averageFloorBytesPerSecond = averageFloorBytesPerSecond_;
  spec.averageFloorSeconds = averageFloorSeconds_;
  spec.validatesSecureCertificate = validatesSecureCertificate_;
  spec.reuseConnection = reuseConnection_;
  spec.followsRedirects = followsRedirects_;
  spec.certificateAuthorities = authoritiesFile;
  spec.bodyLimit = bodyLimit_;
  spec.spillFile = spillFile_;
  spec.spillStoreShare = spillStoreShare_;
  spec.inflatedLimit = inflatedLimit_;
  spec.fileLimit = fileLimit_;
  spec.fileCheck = fileCheck_;
  spec.destination = downloadDestinationPath_;
  spec.temporary = temporaryFileDownloadPath_;
  spec.allowResume = allowResume_;
  if (allowResume_ && !spec.destination.empty() && !spec.temporary.empty()) {
    // Looked for here, on the main thread, which has time to spare in a batch
    // of thousands, rather than on the network thread, which has none.
    const std::uint64_t opened = Transfer::partialFilesOpened();
    std::error_code ec;
    if (!std::filesystem::exists(spec.temporary, ec) && !ec) spec.noPartialFileAt = opened;
  }
  spec.wantsData = delegate_ && delegate_->wantsReceivedData();
  spec.wantsDownloadProgress = downloadProgressDelegate_ != nullptr || queueFollowsBytes_;
  spec.wantsUploadProgress = uploadProgressDelegate_ != nullptr;
  followed_ = spec.wantsData || spec.wantsDownloadProgress || spec.wantsUploadProgress;
  spec.username = username_;
  spec.password = password_;
  spec.proxy = proxy_;
  spec.userAgent = userAgent_.empty() ? defaultUserAgent() : userAgent_;
  spec.useCookies = CookieStore::sharedInstance().cookieAcceptPolicy() == CookieStore::AcceptPolicy::Always;
  spec.group = queueGroup_;
  spec.groupLimit = queueLimit_;
  spec.groupUnstarted = queueUnstarted_;
  spec.groupStopsOnFailure = queueStopsOnFailure_;
  spec.keepsGroupPlace = keepsQueuePlace_;

  transferId_ = spec.id;
  state_ = State::Running;
  // The network thread only ever sees this object through its observer face.
  std::shared_ptr<TransferObserver> self(shared_from_this(), static_cast<TransferObserver*>(this));
  engine.start(std::make_unique<Transfer>(std::move(spec), std::weak_ptr<TransferObserver>(self)));
}

void FormDataRequest::cancel() {
  MV_ASSERT_MAIN_THREAD();
  if (isFinished()) return;
  if (state_ == State::Running) NetworkEngine::shared().cancel(transferId_);
  cancelled_ = true;
  state_ = State::Failed;
  error_ = makeRequestError(RequestError::Cancelled);
  end(true);
}

void FormDataRequest::clearDelegatesAndCancel() {
  cleared_ = true;
  delegate_ = nullptr;
  downloadProgressDelegate_ = nullptr;
  uploadProgressDelegate_ = nullptr;
  cancel();
}

void FormDataRequest::end(bool deliverLater) {
  auto self = weak_from_this().lock();
  if (queueEnded_) {
    auto hook = queueEnded_;
    hook(*this);
  }
  selfRetain_.reset();
  if (deliverLater && self) {
    base::RunLoop::main().post([self] { self->deliver(); });
  } else {
    deliver();
  }
}

void FormDataRequest::deliver() {
  // Checked when the report runs, so a clear that came after the end still wins.
  if (cleared_) return;
  if (delegate_) {
    if (state_ == State::Finished)
      delegate_->requestFinished(*this);
    else
      delegate_->requestFailed(*this);
  }
  if (cleared_ || !queueReport_) return;
  auto hook = queueReport_;
  hook(*this);
}

std::optional<double> FormDataRequest::progressFraction() const {
  if (contentLength_ < 0) return std::nullopt;
  const std::int64_t base = shouldResetDownloadProgress_ ? 0 : partialDownloadSize_;
  const std::int64_t total = base + contentLength_;
  if (total <= 0) return state_ == State::Finished ? std::optional<double>(1.0) : std::nullopt;
  return std::clamp(static_cast<double>(base + totalBytesRead_) / static_cast<double>(total), 0.0, 1.0);
}

void FormDataRequest::reportDownloadProgress(float fraction) {
  if (!downloadProgressDelegate_ || fraction <= lastDownloadProgress_) return;
  lastDownloadProgress_ = fraction;
  downloadProgressDelegate_->setProgress(fraction);
}

void FormDataRequest::transferReceivedResponse(const ResponseHead& head) {
  if (state_ != State::Running) return;
  responseStatusCode_ = head.status;
  responseHeaders_ = head.headers;
  partialDownloadSize_ = head.partialSize;
  contentLength_ = head.expectedLength;
  totalBytesRead_ = 0;
}

void FormDataRequest::transferReceivedData(std::string chunk) {
  if (state_ != State::Running || cleared_) return;
  if (delegate_ && delegate_->wantsReceivedData()) delegate_->request(*this, chunk);
}

void FormDataRequest::transferProgressed(const TransferProgress& progress) {
  if (state_ != State::Running) return;
  totalBytesRead_ = progress.received;
  contentLength_ = progress.expected;
  if (auto fraction = progressFraction()) reportDownloadProgress(static_cast<float>(*fraction));
  if (uploadProgressDelegate_ && progress.toSend > 0) {
    float fraction = std::clamp(static_cast<float>(progress.sent) / static_cast<float>(progress.toSend), 0.0f, 1.0f);
    if (fraction > lastUploadProgress_) {
      lastUploadProgress_ = fraction;
      uploadProgressDelegate_->setProgress(fraction);
    }
  }
  if (queueProgress_) {
    auto hook = queueProgress_;
    hook(*this);
  }
}

void FormDataRequest::transferEnded(TransferResult result) {
  MV_ASSERT_MAIN_THREAD();
  if (state_ != State::Running) return;
  responseStatusCode_ = result.status;
  responseHeaders_ = std::move(result.headers);
  responseData_ = std::move(result.body);
  responseFile_ = std::move(result.bodyFile);
  partialDownloadSize_ = result.partialSize;
  if (!followed_) {
    // Nobody followed the reply as it came: its lengths come with the end.
    contentLength_ = result.expectedLength;
    totalBytesRead_ = result.received;
  }
  downloadComplete_ = result.fileDelivered;
  requestSent_ = result.requestSent;
  if (result.errorCode != 0) {
    state_ = State::Failed;
    error_ = makeRequestError(static_cast<RequestError>(result.errorCode), result.errorDetail);
  } else {
    state_ = State::Finished;
    const bool whole = downloadDestinationPath_.empty() ? responseStatusCode_ >= 200 && responseStatusCode_ < 300
                                                        : downloadComplete_;
    if (whole && contentLength_ >= 0) {
      totalBytesRead_ = contentLength_;
      reportDownloadProgress(1.0f);
    }
  }
  end(false);
}

}  // namespace mv
