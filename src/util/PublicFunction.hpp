#pragma once
// The application's class-level helpers: device facts, dates, the folder
// layout of a client's files, server settings and addresses, currencies,
// number formatting and image thumbnails. Everything here is safe to call
// from any thread unless said otherwise.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/gfx/ImageData.hpp"
#include "util/ServerInfo.hpp"

namespace mv {

// File types: where a file lives locally and on the file endpoint.
enum FileType : int {
  kFileTypeProductImage = 1,
  kFileTypeCatalogImage = 2,
  kFileTypeConfigImage = 3,
  kFileTypeLibraryImage = 4,
  kFileTypePdf = 5,
  kFileTypeVideo = 6,
  kFileTypeExcel = 7,
  kFileTypeWord = 8,
  kFileTypeEPub = 9,
  kFileTypeKeynote = 10,
  kFileTypeSkinArchive = 11,
};

// Interface languages as the user defaults keep them under "language".
inline constexpr int kLanguageEnglish = 1;
inline constexpr int kLanguageChinese = 2;

// Date patterns in use. The year is always "yyyy"/"yy" (calendar year), never
// the week-based "YYYY", which shows the next year in the last days of December.
inline constexpr const char* kLocalTimeFormat = "MM/dd/yyyy HH:mm:ss";
inline constexpr const char* kServerTimeFormat = "yyyy-MM-dd HH:mm:ss";
inline constexpr const char* kLastSyncFormat = "HH:mm MM/dd/yy";
inline constexpr const char* kOrderNumberFormat = "yyMMddHHmmss";
inline constexpr const char* kOrderTimeFormat = "MM/dd/yyyy HH:mm";
inline constexpr const char* kShortDateFormat = "MM/dd/yy";
inline constexpr const char* kShortDateFormatChinese = "yy/MM/dd";

// The client database whose presence marks a folder as a client folder.
inline constexpr const char* kClientDatabaseFileName = "marvisto_lite.sqlite";

// Thumbnails fit in this box.
inline constexpr int kThumbMaxWidth = 160;
inline constexpr int kThumbMaxHeight = 110;

class PublicFunction {
 public:
  // ---- digests and ciphers ----------------------------------------------------
  // MD5 of the UTF-8 bytes as 32 upper-case hex digits.
  static std::string encryptMD5(std::string_view text);
  // 0: encrypt to Base64 text; 1: decrypt Base64 text. Nothing on failure.
  [[nodiscard]] static std::optional<std::string> TripleDES(const std::string& text, int encryptOrDecrypt);

  // ---- device ---------------------------------------------------------------------
  // 40 hex digits identifying this device for this user. Kept in the user
  // defaults ("DeviceUDID") and in per-user slot files "org.DeviceUDID.slot.<n>"
  // outside the data root, so it survives a new data root or lost defaults.
  // Main thread only, like the slot folder and the interface language below.
  static std::string getDeviceUDID();
  // Where the slot files live: set explicitly, else $MARVISTO_UDID_DIR, else
  // $XDG_DATA_HOME/org.DeviceUDID, else ~/.local/share/org.DeviceUDID.
  static void setDeviceUDIDSlotDirectory(const std::filesystem::path& dir);
  static std::filesystem::path deviceUDIDSlotDirectory();
  static bool isValidDeviceUDID(std::string_view udid);

  // Device class from the machine name: "x86_6" 3, "iPad2" 2, "iPad3" 3, else 1.
  static int getDeviceType();
  static int deviceTypeForMachine(std::string_view machine);
  // The largest document the device class opens: 40 MiB (3), 20 MiB (2), 5 MiB.
  static std::uintmax_t sizeLimitForDeviceType(int deviceType);
  // True when the file exists, is not empty and is within the device's limit.
  static bool safeSizeOfPath(const std::filesystem::path& path);
  static bool safeSizeOfPath(const std::filesystem::path& path, int deviceType);

  // The system version layouts compare against; 7.0 unless set.
  static double getDeviceVersion();
  static void setDeviceVersion(double version);

  // The first entry of the user defaults "AppleLanguages"; when there is none,
  // the language of the environment's locale (LANGUAGE, LC_ALL, LANG).
  static std::string getPreferredLanguage();
  // "zh_CN.UTF-8" -> "zh-Hans", "zh_TW" -> "zh-Hant", "de_DE" -> "de", "C" -> "en".
  static std::string preferredLanguageFromLocale(std::string_view locale);

  // The interface language (1 English, 2 Chinese). The shell installs its
  // language manager; until then the user defaults' "language" integer counts.
  static int interfaceLanguage();
  static void setInterfaceLanguageProvider(std::function<int()> provider);

  // ---- dates -----------------------------------------------------------------
  // Now, local time, "MM/dd/yyyy HH:mm:ss".
  static std::string currentTime();
  // "MM/dd/yyyy HH:mm:ss" -> "yyyy-MM-dd HH:mm:ss"; "" when the text is not a
  // local time text.
  static std::string changeToServerFormatFromLocal(const std::string& localTime);
  // "yyyy-MM-dd HH:mm:ss" -> the interface's short date; "" when not a date.
  static std::string formatDate(const std::string& serverTime);
  // The interface's short date pattern: "yy/MM/dd" in Chinese, else "MM/dd/yy".
  static std::string getFormateString();
  // Pattern formatting in the fixed POSIX locale and the local time zone.
  static std::string stringFromDate(double secondsSince1970, const std::string& pattern);
  static std::optional<double> dateFromString(const std::string& text, const std::string& pattern);

  // ---- folders and files -----------------------------------------------------------
  // A client folder name: letters, digits, "_", "." and "-", not "." or "..".
  static bool isValidClientID(std::string_view clientId);
  // Documents/<client id lower-cased>; nothing for an id that is not valid.
  static std::optional<std::filesystem::path> clientFolder(const std::string& clientId);
  // A name usable as one file name: not empty, not "." or "..", no "/", "\",
  // NUL or control characters, at most 255 bytes.
  static bool isSafeFileName(std::string_view name);
  // Local folder / path on the file endpoint of types 1 to 10; nullptr for
  // any other type (11, the skin archive, lies in the client folder itself).
  static const char* folderForFileType(int type);
  static const char* serverPathForFileType(int type);
  // The local path of a file of the signed-in client; nothing when no client is
  // signed in or the name is not a safe file name.
  static std::optional<std::filesystem::path> filePathWithName(std::string_view name, int type);
  // The download address of a file of the signed-in client, the name escaped as
  // one path segment; nothing for an unsafe name or no valid client.
  static std::optional<std::string> fileURLWithName(std::string_view name, int type);
  // The same two for a client already looked up: a batch of thousands of
  // files reads the session and finds the client's folder once per file
  // instead of once per path.
  static std::optional<std::filesystem::path> filePathIn(const std::filesystem::path& clientFolder,
                                                         std::string_view name, int type);
  static std::optional<std::string> fileURLFor(const std::string& clientId, std::string_view name, int type);
  // Creates Documents/<relativePath> with its parents unless it exists. False
  // for an absolute path, a ".." component, or when it cannot be made.
  [[nodiscard]] static bool createDirectoryifNeed(const std::string& relativePath);
  // The folders of a client's files, one per file type, and "tempDownload",
  // made when missing: the sync and the sign-in both rely on them. False for
  // a client id that cannot name a folder or when one cannot be made.
  [[nodiscard]] static bool createClientFolders(const std::string& clientId);
  // Removes a file when it is there; a failure is logged, never more.
  static void removeFileIfPresent(const std::filesystem::path& path);
  // "PDF" 5, "VEDIO" 6, "EXCEL" 7, "WORD" 8, "EPUB" 9, anything else 10.
  static int getFileType(std::string_view type);
  // Backups are the platform's business here: nothing to mark.
  static void SkipBackup();
  // Renames client folders of Documents (folders holding the client database)
  // to their lower-case names. A folder whose lower-case name is taken is left
  // as it is and logged. Answers the number renamed.
  static int changeAllClientFolderToLower();
  // Moves client folders (folders holding the client database) out of the
  // temporary folder into Documents under their lower-case names. Loose files
  // (partial downloads) stay; a taken name is skipped and logged; nothing is
  // deleted. Answers the number moved.
  static int moveAllClientFolderToDocuments();
  // The stock picture of a type when its own image is missing.
  static std::string placeholderImageName(int type);
  // The local image of that name (types 5-8 and 10 look among the library
  // images, 9 in the EPub folder, others in their own folder), else the
  // type's stock picture from the resources; nothing when neither decodes.
  static std::shared_ptr<const gfx::ImageData> getLocalImage(std::string_view name, int type);
  // The same, shrunk as it is read to fit `fit` (points times the screen
  // scale) when it is larger than `limit`; the stock picture likewise.
  static std::shared_ptr<const gfx::ImageData> getLocalImage(std::string_view name, int type, base::Size limit,
                                                             base::Size fit);
  // The same as an image to draw, shrunk as it is read to fit within
  // maxWidth x maxHeight pixels and kept in the shared picture cache; the
  // stock picture's (as it is) is one image shared by every caller.
  static gfx::ImagePtr getLocalPicture(std::string_view name, int type, int maxWidth, int maxHeight);
  static std::filesystem::path localImagePath(std::string_view name, int type);

  // ---- images -------------------------------------------------------------------
  // Writes a PNG thumbnail of at most 160 x 110 (aspect kept, never enlarged)
  // of the image at `fullPath` to `thumbPath`, unless that exists. True when
  // the thumbnail exists afterwards.
  [[nodiscard]] static bool createImgThumbWithImgName(const std::filesystem::path& fullPath,
                                        const std::filesystem::path& thumbPath);
  // True when the image is wider or taller than the size in pixels (points
  // times the screen scale).
  static bool image(const gfx::ImageData& image, base::Size isNeedToScaleToFitSize);
  // The image shrunk by min(width ratio, height ratio) when it needs it, else
  // the same image.
  static std::shared_ptr<const gfx::ImageData> scaleImage(std::shared_ptr<const gfx::ImageData> image, base::Size toFitSize);
  static double screenScale();
  static void setScreenScale(double scale);

  // ---- server settings -----------------------------------------------------------
  // The settings from the user defaults "IP", "Port", "Path", "ImageIP",
  // "ImagePort", "ImagePath"; a missing one is written with its factory value.
  static ServerInfo GetServer();
  // Stores all six settings.
  static void setServer(const ServerInfo& info);
  // All six back to factory values, synchronised.
  static void resetUserSetting();
  static std::string GetMsgURLWithHeader(const std::string& head);
  // The account page and the forgotten-password page on the file endpoint.
  static std::string editUserUrl();
  static std::string forgetPassWordUrl();

  // ---- currencies and formatting --------------------------------------------------
  // Display symbol of a currency code; "$" for unknown codes.
  static std::string flagWithCurrency(std::string_view code);
  // A size given in megabytes as said to the user: "1.5 MB", "1.2 GB", and
  // below a megabyte "205 KB" (at least 1 KB when there is anything).
  static std::string sizeText(double megabytes);
  // "0" below 1, else the digits grouped by "," in threes.
  static std::string intFormate(std::int64_t value);
  // "0.00" for 0 or less, else two decimals with the integer part grouped.
  static std::string doubleFormate(double value);
  static double shownDiscountRatFromAbsolute(double rate) { return rate; }
  static double absoluteDiscountRatFromShown(double rate) { return rate; }
  // `str` without any occurrence of `tag`; nothing when either is missing.
  static std::optional<std::string> stringRemoveTag(const std::optional<std::string>& str,
                                                    const std::optional<std::string>& tag);
};

}  // namespace mv
