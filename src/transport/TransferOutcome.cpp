// How a transfer ends: the outcome of a finished transfer (whole, short,
// redirected, failed), its file's check, a time-out, abandoning it, and the
// one report to its observer.
#include "transport/Transfer.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>

#include "platform/base/Log.hpp"
#include "platform/base/RunLoop.hpp"
#include "transport/RequestError.hpp"
#include "util/DiskRoom.hpp"

namespace mv {

long Transfer::mapError(CURLcode code) const {
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return static_cast<long>(RequestError::TimedOut);
    case CURLE_LOGIN_DENIED:
    case CURLE_AUTH_ERROR: return static_cast<long>(RequestError::AuthenticationNeeded);
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_FAILED_INIT:
    case CURLE_NOT_BUILT_IN:
    case CURLE_BAD_FUNCTION_ARGUMENT: return static_cast<long>(RequestError::CannotCreateRequest);
    case CURLE_TOO_MANY_REDIRECTS: return static_cast<long>(RequestError::TooManyRedirects);
    case CURLE_BAD_CONTENT_ENCODING: return static_cast<long>(RequestError::DecodingFailed);
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS: return static_cast<long>(RequestError::UntrustedCertificate);
    case CURLE_WRITE_ERROR:
      switch (body_.fault()) {
        case TransferBody::Fault::NoRoom: return static_cast<long>(RequestError::NoRoom);
        case TransferBody::Fault::TooLarge: return static_cast<long>(RequestError::ReplyTooLarge);
        case TransferBody::Fault::Undecodable: return static_cast<long>(RequestError::DecodingFailed);
        default: return static_cast<long>(RequestError::FileWriteFailed);
      }
    default: return static_cast<long>(RequestError::ConnectionFailure);
  }
}

Transfer::Next Transfer::complete(CURLcode code, std::vector<Delivery>* later, bool inOrder) {
  // Only a group that stops on a failure needs to know before the next file
  // starts whether this one could be moved into place.
  const bool placeLater = later && !spec_.groupStopsOnFailure;
  bool moving = false;
  body_.closeFile();
  if (code == CURLE_OK && body_.fault() != TransferBody::Fault::None) code = CURLE_WRITE_ERROR;
  if (code == CURLE_OK && inflater_.active() && received_ > 0 && !inflater_.finished()) {
    body_.fail(TransferBody::Fault::Undecodable);
    code = CURLE_BAD_CONTENT_ENCODING;
  }

  TransferResult result;
  result.status = status_;
  if (easy_) {
    long requestSize = 0;
    if (curl_easy_getinfo(easy_, CURLINFO_REQUEST_SIZE, &requestSize) == CURLE_OK) {
      requestSent_ = requestSent_ || requestSize > 0;
    }
  }
  result.requestSent = requestSent_;
  if (code == CURLE_OK && rangeRefused_) {
    // The partial file cannot be continued: start over once without a range.
    removePartial();
    if (!retriedWithoutRange_) {
      retriedWithoutRange_ = true;
      releaseHandle();
      return Next::Again;
    }
    result.errorCode = static_cast<long>(RequestError::FileWriteFailed);
    result.errorDetail = "the server sent a part that does not continue the file";
  } else if (code == CURLE_OK && !spec_.followsRedirects && isRedirect(status_)) {
    // The answer of another address is never taken for this request's.
    removePartial();
    result.errorCode = static_cast<long>(RequestError::RedirectRefused);
    result.errorDetail = "the server answered " + std::to_string(status_) + " to a request that follows no redirect";
  } else if (code != CURLE_OK) {
    result.errorCode = mapError(code);
    const TransferBody::Fault fault = body_.fault();
    result.errorDetail = !body_.faultDetail().empty() ? body_.faultDetail()
                         : fault == TransferBody::Fault::TooLarge
                             ? "the reply passed " + std::to_string(spec_.bodyLimit) + " bytes"
                         : errorBuffer_[0] ? std::string(errorBuffer_)
                                           : std::string(curl_easy_strerror(code));
    // Inflated bytes cannot be continued by a byte range of the encoded
    // reply, a file past its bound is no file to continue, and one the disk
    // has no room for must not hold what room is left.
    if (isDownload() && (encoded_ || rangeRefused_ || fault >= TransferBody::Fault::Undecodable)) {
      removePartial();
    } else if (isDownload()) {
      keepForResume();
    }
  } else if (isDownload()) {
    Shortfall shortfall;
    if (!partialWasWhole_ && body_.toFile() && !wholeFileArrived(shortfall)) {
      result.partialSize = writeOffset_;
      if (shortfall.emptyBody) {
        // Nothing to keep or continue: an answer without a file.
        removePartial();
      } else {
        // What arrived stays for a checked resume when it is what the range
        // named; the destination keeps the copy it had.
        if (shortfall.keepPartial) {
          keepForResume();
        } else {
          removePartial();
        }
        result.errorCode = static_cast<long>(RequestError::IncompleteFile);
        result.errorDetail = shortfall.detail;
      }
    } else if (partialWasWhole_ || body_.toFile()) {
      result.partialSize = partialWasWhole_ ? partialOnDisk_ : writeOffset_;
      // The partial file already held the whole file: the download is done.
      if (partialWasWhole_) result.status = 200;
      if (!body_.fileFits(wholeSize())) {
        // A partial file kept from before may already hold more than the bound.
        removePartial();
        result.errorCode = static_cast<long>(RequestError::ReplyTooLarge);
        result.errorDetail = body_.faultDetail();
      } else if (spec_.fileCheck) {
        // The check may read a whole picture through: it runs off the
        // network thread, which goes on with the other transfers meanwhile.
        result.headers = std::move(headers_);
        headers_.clear();
        releaseHandle();
        checking_ = std::move(result);
        return Next::Check;
      } else {
        moving = takeWholeFile(result, placeLater);
      }
    } else {
      // An error page never becomes, or continues, the file.
      removePartial();
      result.body = body_.takeMemory();
    }
  } else {
    result.body = body_.takeMemory();
    if (result.errorCode == 0) deliverSpill(result);
  }
  // A body that did not end well leaves no file.
  body_.dropSpill();
  // Taken, not copied: the next attempt (if any) starts with none.
  result.headers = std::move(headers_);
  headers_.clear();
  releaseHandle();
  end(std::move(result), later, inOrder, moving);
  return Next::Ended;
}

void Transfer::deliverSpill(TransferResult& result) {
  if (body_.kind() != TransferBody::Kind::Spill) return;
  result.bodyFile = body_.finishSpill();
  if (result.bodyFile) return;
  result.errorCode = static_cast<long>(body_.fault() == TransferBody::Fault::NoRoom ? RequestError::NoRoom
                                                                                   : RequestError::FileWriteFailed);
  result.errorDetail = body_.faultDetail();
}

std::function<TransferSetup::FileRefusal()> Transfer::fileCheck() {
  // A file held whole is checked as it is held. The check only reads it, and
  // has read it before its verdict comes back (see checked); a transfer
  // dropped meanwhile leaves it to the check.
  if (body_.kind() == TransferBody::Kind::Held) {
    const std::int64_t size = wholeSize();
    lentHeld_ = std::make_shared<std::string>(body_.lendHeld());
    return [check = spec_.fileCheck, held = std::shared_ptr<const std::string>(lentHeld_), size] {
      return check(*held, size, {});
    };
  }
  return [check = spec_.fileCheck, head = body_.head(), size = wholeSize(), written = spec_.temporary]() mutable {
    if (head.empty()) {
      // Continued from an earlier attempt: its start is on disk.
      std::ifstream in(written, std::ios::binary);
      head.resize(TransferBody::kMostHeld);
      in.read(head.data(), static_cast<std::streamsize>(head.size()));
      head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    }
    return check(head, size, written);
  };
}

void Transfer::checked(TransferSetup::FileRefusal verdict, std::vector<Delivery>& later, bool inOrder) {
  if (!checking_) return;
  if (lentHeld_) {
    body_.takeBackHeld(std::move(*lentHeld_));
    lentHeld_.reset();
  }
  TransferResult result = std::move(*checking_);
  checking_.reset();
  bool moving = false;
  if (verdict.error != RequestError::None) {
    // Bytes that are not the file neither become nor continue it.
    removePartial();
    result.errorCode = static_cast<long>(verdict.error);
    result.errorDetail = std::move(verdict.reason);
  } else {
    moving = takeWholeFile(result, !spec_.groupStopsOnFailure);
  }
  end(std::move(result), &later, inOrder, moving);
}

bool Transfer::takeWholeFile(TransferResult& result, bool placeLater) {
  if (placeLater) return true;
  std::string detail;
  if (!body_.flushHeld() || !body_.closeFile()) {
    removePartial();
    result.errorCode = static_cast<long>(body_.fault() == TransferBody::Fault::NoRoom ? RequestError::NoRoom
                                                                                      : RequestError::FileWriteFailed);
    result.errorDetail = body_.faultDetail();
  } else if (!moveIntoPlace(spec_.temporary, spec_.destination, detail)) {
    result.errorCode = static_cast<long>(RequestError::FileWriteFailed);
    result.errorDetail = detail;
  } else {
    if (recordOnDisk_) removeResumeRecord();
    result.fileDelivered = true;
  }
  return false;
}

void Transfer::end(TransferResult result, std::vector<Delivery>* later, bool inOrder, bool moving) {
  if (result.errorCode == 0 && !spec_.username.empty() && status_ == 401) {
    result.errorCode = static_cast<long>(RequestError::AuthenticationNeeded);
    result.errorDetail = "the server refused the credentials";
  }
  if (moving) {
    Delivery& delivery = tellLater(std::move(result), *later);
    // Moved, not copied: the transfer has ended, and its paths, made on the
    // main thread, go back there to be freed with the end they tell.
    delivery.temporary = std::move(spec_.temporary);
    delivery.destination = std::move(spec_.destination);
    delivery.place = true;
    delivery.removeRecord = recordOnDisk_;
    if (body_.kind() == TransferBody::Kind::Held) delivery.held = body_.takeHeld();
    recordOnDisk_ = false;
    return;
  }
  if (later && inOrder) {
    tellLater(std::move(result), *later);
    return;
  }
  post(std::move(result));
}

void Transfer::Delivery::finish() {
  if (place) moveFile();
  MV_LOG("transfer ", id, " ended: status ", result.status, " error ", result.errorCode, " ", result.errorDetail);
}

void Transfer::Delivery::moveFile() {
  std::string detail;
  bool noRoom = false;
  if (held && !writeWhole(detail, noRoom)) {
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
    result.errorCode = static_cast<long>(noRoom ? RequestError::NoRoom : RequestError::FileWriteFailed);
    result.errorDetail = detail;
  } else if (!moveIntoPlace(temporary, destination, detail)) {
    result.errorCode = static_cast<long>(RequestError::FileWriteFailed);
    result.errorDetail = detail;
  } else {
    std::error_code ec;
    if (removeRecord) std::filesystem::remove(resumeRecordPath(temporary), ec);
    result.fileDelivered = true;
  }
}

bool Transfer::Delivery::writeWhole(std::string& detail, bool& noRoom) {
  // A file held whole was never weighed against the room on the disk.
  if (!DiskRoom::hasRoomFor(temporary.parent_path(), held->size())) {
    noRoom = true;
    detail = "the disk keeps its margin free: room for " +
             std::to_string(DiskRoom::roomFor(temporary.parent_path()).value_or(0)) + " bytes, not " +
             std::to_string(held->size());
    TransferBody::giveBack(std::move(*held));
    held.reset();
    return false;
  }
  const auto failed = [&] {
    noRoom = errno == ENOSPC || errno == EDQUOT;
    detail = temporary.string() + ": " + std::strerror(errno);
  };
  std::FILE* file = TransferBody::openAt(temporary, "wb");
  bool ok = file && (held->empty() || std::fwrite(held->data(), 1, held->size(), file) == held->size());
  if (!ok) failed();
  if (file && std::fclose(file) != 0 && ok) {
    ok = false;
    failed();
  }
  TransferBody::giveBack(std::move(*held));
  held.reset();
  return ok;
}

void Transfer::report(std::vector<Delivery> deliveries) {
  if (deliveries.empty()) return;
  base::RunLoop::main().post([deliveries = std::move(deliveries)]() mutable {
    for (auto& delivery : deliveries) {
      if (auto o = delivery.observer.lock()) o->transferEnded(std::move(delivery.result));
    }
  });
}

bool Transfer::wholeFileArrived(Shortfall& shortfall) const {
  if (status_ == 206) {
    if (body_.size() != rangeEnd_ - writeOffset_ + 1) {
      shortfall.detail = "the server sent " + std::to_string(body_.size()) + " bytes for the part " +
                         std::to_string(writeOffset_) + "-" + std::to_string(rangeEnd_);
      return false;
    }
    if (rangeEnd_ != rangeTotal_ - 1) {
      shortfall.detail = "the server sent bytes " + std::to_string(writeOffset_) + "-" + std::to_string(rangeEnd_) +
                         " of " + std::to_string(rangeTotal_) + " only";
      shortfall.keepPartial = true;
      return false;
    }
    return true;
  }
  if (body_.size() == 0) {
    shortfall.emptyBody = true;
    return false;
  }
  if (expected_ >= 0 && received_ != expected_) {
    shortfall.detail = "the server sent " + std::to_string(received_) + " of " + std::to_string(expected_) + " bytes";
    shortfall.keepPartial = !encoded_;
    return false;
  }
  return true;
}

Transfer::Delivery& Transfer::tellLater(TransferResult result, std::vector<Delivery>& later) {
  failed_ = result.errorCode != 0;
  addLastCounts(result);
  Delivery& delivery = later.emplace_back();
  delivery.id = spec_.id;
  delivery.result = std::move(result);
  delivery.observer = observer_;
  return delivery;
}

void Transfer::timeOut(std::vector<Delivery>* later, bool tooSlow) {
  body_.closeFile();
  stopShort();
  TransferResult result;
  result.status = status_;
  result.headers = headers_;
  if (tooSlow) {
    result.errorCode = static_cast<long>(RequestError::TooSlow);
    result.errorDetail = "fewer than " + std::to_string(spec_.averageFloorBytesPerSecond) + " bytes a second over " +
                         std::to_string(spec_.averageFloorSeconds) + " seconds";
  } else {
    result.errorCode = static_cast<long>(RequestError::TimedOut);
    result.errorDetail = "no data for " + std::to_string(spec_.timeOutSeconds) + " seconds";
  }
  releaseHandle();
  if (later) {
    tellLater(std::move(result), *later);
    return;
  }
  post(std::move(result));
}

void Transfer::abandon() {
  body_.closeFile();
  stopShort();
  releaseHandle();
}

void Transfer::stopShort() {
  body_.dropSpill();
  if (!isDownload()) return;
  if (encoded_) {
    removePartial();
  } else {
    keepForResume();
  }
}

bool Transfer::inactive(std::chrono::steady_clock::time_point now) const {
  if (spec_.timeOutSeconds <= 0) return false;
  return now - lastActivity_ > std::chrono::duration<double>(spec_.timeOutSeconds);
}

bool Transfer::belowAverageFloor(std::chrono::steady_clock::time_point now) const {
  if (spec_.averageFloorBytesPerSecond <= 0 || spec_.averageFloorSeconds <= 0 || moved_.empty()) return false;
  const std::chrono::duration<double> window(spec_.averageFloorSeconds);
  // The whole window lies after the reply's first bytes.
  const auto windowStart = now - window;
  if (moved_.front().first > windowStart) return false;
  // Bytes at the window's start: the last note at or before it.
  std::int64_t atStart = moved_.front().second;
  for (const auto& [when, bytes] : moved_) {
    if (when > windowStart) break;
    atStart = bytes;
  }
  const double moved = static_cast<double>(moved_.back().second - atStart);
  return moved < static_cast<double>(spec_.averageFloorBytesPerSecond) * spec_.averageFloorSeconds;
}

void Transfer::failToCreate(const std::string& detail) {
  TransferResult result;
  result.errorCode = static_cast<long>(RequestError::CannotCreateRequest);
  result.errorDetail = detail;
  releaseHandle();
  post(std::move(result));
}

void Transfer::addLastCounts(TransferResult& result) {
  std::lock_guard<std::mutex> lock(progressBox_->mutex);
  result.expectedLength = progressBox_->progress.expected;
  result.received = progressBox_->progress.received;
}

void Transfer::post(TransferResult result) {
  failed_ = result.errorCode != 0;
  addLastCounts(result);
  MV_LOG("transfer ", spec_.id, " ended: status ", result.status, " error ", result.errorCode, " ",
         result.errorDetail);
  base::RunLoop::main().post([observer = observer_, result = std::move(result)]() mutable {
    if (auto o = observer.lock()) o->transferEnded(std::move(result));
  });
}

}  // namespace mv
