#pragma once
// The service's command codes, request kinds and the statuses the client
// itself gives meaning to.
#include <string>

namespace mv {

inline constexpr int kCmdRegister = 257;
inline constexpr int kCmdLogin = 258;
inline constexpr int kCmdConfig = 260;
inline constexpr int kCmdRuntimeConfig = 261;
inline constexpr int kCmdCheckDeviceStatus = 262;
inline constexpr int kCmdCheckVersion = 263;
// User information and order history share one code; replies are matched to
// their request by request code.
inline constexpr int kCmdGetUserinfo = 265;
inline constexpr int kCmdGetOrderHistory = 265;
inline constexpr int kCmdSyncAllTable = 513;
inline constexpr int kCmdSyncIconTable = 514;
inline constexpr int kCmdSyncFileTable = 515;
inline constexpr int kCmdSyncCustomerTable = 516;
inline constexpr int kCmdSyncDataFinish = 517;
inline constexpr int kCmdUploadQuoteOrder = 518;
inline constexpr int kCmdDownloadFinish = 519;
inline constexpr int kCmdUploadCustomer = 520;
inline constexpr int kCmdBackup = 521;
inline constexpr int kCmdRestore = 528;
inline constexpr int kCmdDownload = 769;

// Request kinds: a JSON message, the (unused) form upload, a file download.
inline constexpr int kRequestTypeMessage = 0;
inline constexpr int kRequestTypeUpload = 1;
inline constexpr int kRequestTypeDownload = 2;

// Download progress kinds: one of a batch, or a single file that reports
// percentages; any other value is a single file without percentages.
inline constexpr int kProgressTypeSingleWithPercent = 1;
inline constexpr int kProgressTypeBatch = 2;

inline const std::string kStatusSuccess = "200";
inline const std::string kStatusSessionExpired = "101";
inline const std::string kStatusUserLocked = "114";
inline const std::string kStatusDeviceLocked = "11411";
inline const std::string kStatusAccountLocked = "207";
inline const std::string kStatusDeviceHealthy = "11412";
inline const std::string kStatusNoStatus = "115";
inline const std::string kStatusNetworkError = "999";
inline const std::string kStatusFileMissing = "404";
// The reason (`httpRsp`) of a "999" made on the device because the server's
// certificate was not trusted.
inline constexpr int kHttpRspUntrustedCertificate = 7;
// The reason of a "999" made on the device for the downloads of a batch that
// stopped because the file endpoint kept refusing: the service has gone away.
inline constexpr int kHttpRspEndpointGone = 8;
// The reason of a "999" made on the device for a reply that kept coming, but
// on average too slowly for its floor: the server was reached and answering.
inline constexpr int kHttpRspTooSlow = 19;
// The reasons of a "999" made on the device for a file the server answered
// without it (an error status, an empty reply), for one whose bytes are not
// the file (a web page, bytes of no kind the file may be), for one that ran
// past the most bytes it may hold, for a document that ran far past its
// listed size, and for a picture whose data arrived cut short.
inline constexpr int kHttpRspServiceFailed = 9;
inline constexpr int kHttpRspNotTheFile = 10;
inline constexpr int kHttpRspFileTooLarge = 11;
inline constexpr int kHttpRspLargerThanListed = 16;
inline constexpr int kHttpRspFileCutShort = 17;
// A file that arrived but was not taken: it is asked for again at the next sync.
inline bool refusedTheFile(int httpRsp) {
  return httpRsp == kHttpRspNotTheFile || httpRsp == kHttpRspFileTooLarge || httpRsp == kHttpRspLargerThanListed ||
         httpRsp == kHttpRspFileCutShort;
}
// The reason for the downloads that stopped because the file endpoint kept
// sending something other than the files asked for; the reply's detail names
// those files.
inline constexpr int kHttpRspEndpointSendsNoFiles = 12;
// The reason for the downloads that stopped because the device has no room
// left for files above the margin its disk keeps free.
inline constexpr int kHttpRspNoRoom = 13;
// The reason of a reply made on the device for a message whose reply ran
// past what the device can keep: past the room its disk has, or, where the
// disk has none, past what memory may hold.
inline constexpr int kHttpRspReplyTooLarge = 18;
// Every download (to the file endpoint, or any, for want of room) has
// stopped: nothing more of a batch will arrive.
inline bool stopsEveryDownload(int httpRsp) {
  return httpRsp == kHttpRspEndpointGone || httpRsp == kHttpRspEndpointSendsNoFiles || httpRsp == kHttpRspNoRoom;
}

// A command that may be sent again after a failure without doing its work
// twice on the service: reads, and writes that the service applies only once.
// Uploads, sign-up and backup are not: a reply lost after the service stored
// them would otherwise store them again.
inline bool isSafeToRepeat(int cmdCode) {
  switch (cmdCode) {
    case kCmdLogin:
    case kCmdConfig:
    case kCmdRuntimeConfig:
    case kCmdCheckDeviceStatus:
    case kCmdCheckVersion:
    case kCmdGetUserinfo:
    case kCmdSyncAllTable:
    case kCmdSyncIconTable:
    case kCmdSyncFileTable:
    case kCmdSyncCustomerTable:
    case kCmdSyncDataFinish:
    case kCmdDownloadFinish:
    case kCmdRestore:
      return true;
    default:
      return false;
  }
}

// The statuses with which the service ends the session: the session handler
// deals with them, not the requester.
inline bool isSessionExpiredStatus(const std::string& status) { return status == kStatusSessionExpired; }
inline bool isLockedStatus(const std::string& status) {
  return status == kStatusUserLocked || status == kStatusDeviceLocked || status == kStatusAccountLocked;
}

}  // namespace mv
