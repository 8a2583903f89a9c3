#include "surface/ImageFile.h"

#include <FreeImage.h>

#include "platform/MediaLibraries.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

#include "persistence/CommandIO.h"
#include "persistence/FieldTable.h"
#include "platform/MovieReader.h"
#include "scene/Scene.h"

namespace fw {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxSequenceFrames = 100000;
constexpr long kMaxThumbnailBytes = 64L << 20;

bool isMovie(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* m : {".mov", ".mp4", ".m4v", ".avi", ".mkv", ".webm", ".mpg", ".mpeg"})
        if (ext == m) return true;
    return false;
}

uint8_t from16(unsigned v) { return static_cast<uint8_t>((v * 255u + 32767u) / 65535u); }
uint8_t fromFloat(float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

// Copies a converted bitmap into the picture, whatever its pixel type.
bool copyPixels(FIBITMAP* dib, Picture& picture) {
    int w = static_cast<int>(FreeImage_GetWidth(dib)), h = static_cast<int>(FreeImage_GetHeight(dib));
    if (w <= 0 || h <= 0) return false;
    FREE_IMAGE_TYPE type = FreeImage_GetImageType(dib);
    picture.resize(w, h);
    for (int y = 0; y < h; ++y) {
        const BYTE* in = FreeImage_GetScanLine(dib, y);
        uint8_t* out = picture.row(y);
        for (int x = 0; x < w; ++x, out += 4) {
            switch (type) {
                case FIT_BITMAP: {
                    const BYTE* p = in + x * 4;
                    out[0] = p[FI_RGBA_RED], out[1] = p[FI_RGBA_GREEN], out[2] = p[FI_RGBA_BLUE];
                    out[3] = p[FI_RGBA_ALPHA];
                    break;
                }
                case FIT_RGB16: {
                    const FIRGB16& p = reinterpret_cast<const FIRGB16*>(in)[x];
                    out[0] = from16(p.red), out[1] = from16(p.green), out[2] = from16(p.blue), out[3] = 255;
                    break;
                }
                case FIT_RGBA16: {
                    const FIRGBA16& p = reinterpret_cast<const FIRGBA16*>(in)[x];
                    out[0] = from16(p.red), out[1] = from16(p.green), out[2] = from16(p.blue);
                    out[3] = from16(p.alpha);
                    break;
                }
                case FIT_RGBF: {
                    const FIRGBF& p = reinterpret_cast<const FIRGBF*>(in)[x];
                    out[0] = fromFloat(p.red), out[1] = fromFloat(p.green), out[2] = fromFloat(p.blue), out[3] = 255;
                    break;
                }
                case FIT_RGBAF: {
                    const FIRGBAF& p = reinterpret_cast<const FIRGBAF*>(in)[x];
                    out[0] = fromFloat(p.red), out[1] = fromFloat(p.green), out[2] = fromFloat(p.blue);
                    out[3] = fromFloat(p.alpha);
                    break;
                }
                default: return false;
            }
        }
    }
    return true;
}

// FreeImage as packaged here leaves libtiff's own handlers in place, and they print
// libtiff's complaints (unknown EXIF tags, in most TIFF files) on stderr. The
// program reports unreadable images itself, so the handlers are switched off.
void quietTiff() {
    static std::once_flag once;
    std::call_once(once, [] {
        using Handler = void (*)(const char*, const char*, va_list);
        using Setter = Handler (*)(Handler);
        for (const char* name : {"TIFFSetErrorHandler", "TIFFSetWarningHandler"})
            if (void* set = dlsym(RTLD_DEFAULT, name)) reinterpret_cast<Setter>(set)(nullptr);
    });
}

}  // namespace

bool ImageFile::loadPicture(const std::string& path, Picture& picture, std::string& error) {
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (!probe) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::fclose(probe);
    quietTiff();
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(path.c_str());
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format)) {
        error = path + ": not an image file that can be read";
        return false;
    }
    int flags = format == FIF_PNG ? PNG_IGNOREGAMMA : format == FIF_JPEG ? JPEG_ACCURATE : 0;
    FIBITMAP* dib = FreeImage_Load(format, path.c_str(), flags);
    if (!dib) {
        error = path + ": the image cannot be decoded";
        return false;
    }
    // Bitmaps of any depth, and single-channel pictures of wider types, go through
    // FreeImage's own conversions; the colour types with 16 bits or floats per
    // channel are narrowed here.
    FREE_IMAGE_TYPE type = FreeImage_GetImageType(dib);
    FIBITMAP* converted = nullptr;
    if (type == FIT_BITMAP) {
        converted = FreeImage_ConvertTo32Bits(dib);
    } else if (type == FIT_RGB16 || type == FIT_RGBA16 || type == FIT_RGBF || type == FIT_RGBAF) {
        converted = FreeImage_Clone(dib);
    } else if (FIBITMAP* grey = FreeImage_ConvertToStandardType(dib, TRUE)) {
        converted = FreeImage_ConvertTo32Bits(grey);
        FreeImage_Unload(grey);
    }
    FreeImage_Unload(dib);
    bool ok = converted && copyPixels(converted, picture);
    if (converted) FreeImage_Unload(converted);
    if (!ok) error = path + ": this kind of image cannot be converted to 8-bit RGBA";
    return ok;
}

ImageFile::ImageFile(Scene& scene, const char* name) : SceneMember(scene, kImageFileKind, name) { registerCommands(); }

ImageFile::~ImageFile() = default;

CommandTable& ImageFile::commandTable() {
    static CommandTable table;
    return table;
}

void ImageFile::forget() {
    published_.store(nullptr);
    current_.reset();
    previous_.reset();
    movie_.reset();
    sequence_.clear();
    frames_ = width_ = height_ = 0;
    rate_ = 0;
    error_.clear();
    source_.store(kUnopened);
}

void ImageFile::setPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    path_ = path.substr(0, kMaxPath);
    forget();
}

bool ImageFile::pick(const std::string& path, std::string& alert) {
    std::string error;
    bool readable;
    if (isMovie(path)) {
        MovieReader reader;
        readable = reader.open(path);
    } else {
        Picture probe;
        readable = loadPicture(path, probe, error);
    }
    if (!readable) {
        alert = kUnableToOpen;
        return false;
    }
    setPath(path);
    return true;
}

void ImageFile::openLocked() {
    if (source_.load() != kUnopened) return;
    Source found = kMissing;
    if (path_.empty()) {
        error_ = "no image file is set";
    } else if (isMovie(path_)) {
        movie_ = std::make_unique<MovieReader>();
        if (movie_->open(path_)) {
            frames_ = movie_->frameCount();
            rate_ = movie_->frameRate();
            width_ = movie_->width();
            height_ = movie_->height();
            found = kMovie;
        } else {
            error_ = movie_->error();
            movie_.reset();
        }
    } else {
        // A name ending in digits, with numbered neighbours beside it, is a sequence:
        // the run of consecutive numbers the file itself belongs to.
        fs::path p(path_);
        std::string stem = p.stem().string(), ext = p.extension().string();
        size_t digits = stem.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(stem[digits - 1]))) --digits;
        std::string prefix = stem.substr(0, digits);
        std::map<long, std::string> numbered;
        std::error_code ec;
        if (digits < stem.size() && stem.size() - digits <= 9) {
            fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
            for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
                std::string name = it->path().filename().string();
                if (name.size() <= prefix.size() + ext.size() || name.compare(0, prefix.size(), prefix) != 0 ||
                    name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
                    continue;
                std::string number = name.substr(prefix.size(), name.size() - prefix.size() - ext.size());
                if (number.size() > 9 || !std::all_of(number.begin(), number.end(), [](char c) {
                        return std::isdigit(static_cast<unsigned char>(c));
                    }))
                    continue;
                numbered.emplace(std::stol(number), (folder / name).string());
            }
        }
        long own = digits < stem.size() && stem.size() - digits <= 9 ? std::stol(stem.substr(digits)) : -1;
        if (numbered.count(own)) {
            long first = own;
            while (numbered.count(first - 1) && own - first < kMaxSequenceFrames) --first;
            for (long n = first; numbered.count(n) && sequence_.size() < kMaxSequenceFrames; ++n)
                sequence_.push_back(numbered[n]);
        }
        if (sequence_.size() < 2) sequence_.assign(1, path_);
        Picture first;
        if (loadPicture(sequence_[0], first, error_)) {
            width_ = first.width();
            height_ = first.height();
            frames_ = static_cast<int>(sequence_.size());
            found = frames_ > 1 ? kSequence : kStill;
            current_ = std::make_unique<Loaded>(Loaded{0, std::make_unique<Picture>(std::move(first))});
            published_.store(current_.get());
        } else {
            sequence_.clear();
        }
    }
    source_.store(found);
}

ImageFile::Source ImageFile::source() {
    Source s = source_.load();
    if (s != kUnopened) return s;
    std::lock_guard<std::mutex> lock(mutex_);
    openLocked();
    return source_.load();
}

int ImageFile::frameCount() { return source() == kMissing ? 0 : frames_; }
double ImageFile::frameRate() { return source() == kMovie ? rate_ : 0.0; }
int ImageFile::width() { return source() == kMissing ? 0 : width_; }
int ImageFile::height() { return source() == kMissing ? 0 : height_; }

std::string ImageFile::error() {
    source();
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

std::string ImageFile::frameFile(int index) {
    Source s = source();
    if (s == kMovie || s == kMissing) return path_;
    return sequence_[std::clamp(index, 0, frames_ - 1)];
}

const Picture* ImageFile::frame(int index) {
    Source s = source();
    if (s == kMissing) return nullptr;
    if (s == kStill) index = 0;
    if (index < 0 || index >= frames_) return nullptr;
    if (const Loaded* loaded = published_.load(std::memory_order_acquire); loaded && loaded->index == index)
        return loaded->picture.get();
    std::lock_guard<std::mutex> lock(mutex_);
    if (const Loaded* loaded = published_.load(); loaded && loaded->index == index) return loaded->picture.get();
    auto picture = std::make_unique<Picture>();
    bool ok;
    if (s == kMovie) {
        int w = movie_->width(), h = movie_->height();
        picture->resize(w, h);
        ok = movie_->readFrame(index, picture->pixels());
        if (!ok) error_ = path_ + ": " + movie_->error();
    } else {
        ok = loadPicture(sequence_[index], *picture, error_);
    }
    if (!ok) picture.reset();
    previous_ = std::move(current_);
    current_ = std::make_unique<Loaded>(Loaded{index, std::move(picture)});
    published_.store(current_.get(), std::memory_order_release);
    return current_->picture.get();
}

namespace {

int readImage(CommandIO& io, CommandEnabler& r) {
    char path[ImageFile::kMaxPath + 1];
    if (io.readToken(path, sizeof path) != 0) return -1;
    receiverAs<ImageFile>(r).setPath(path);
    return 0;
}

int readThumbnailSize(CommandIO& io, CommandEnabler& r) {
    int w, h;
    if (io.readInt(w) != 0 || io.readInt(h) != 0) return -1;
    receiverAs<ImageFile>(r).thumbnailWidth = w;
    receiverAs<ImageFile>(r).thumbnailHeight = h;
    receiverAs<ImageFile>(r).thumbnailJPEG.clear();
    return 0;
}

// Text form: the count of hex digits, then one line of them.
int readTextThumbnail(CommandIO& io, CommandEnabler& r) {
    int count;
    if (io.readInt(count) != 0 || count < 0 || count > 2 * kMaxThumbnailBytes || count % 2) return -1;
    std::vector<uint8_t> data(static_cast<size_t>(count / 2));
    if (!data.empty() && io.readHex(data.data(), data.size()) != 0) return -1;
    receiverAs<ImageFile>(r).thumbnailJPEG = std::move(data);
    return 0;
}

// Binary form: the byte count, then the bytes. Line ends left over from the count
// line may stand before the data; they are skipped and as many bytes read again.
int readBinaryThumbnail(CommandIO& io, CommandEnabler& r) {
    int count;
    if (io.readInt(count) != 0 || count < 0 || count > kMaxThumbnailBytes) return -1;
    std::vector<uint8_t> data(static_cast<size_t>(count));
    if (count && io.readBytes(data.data(), data.size()) != 0) return -1;
    size_t lead = 0;
    while (lead < data.size() && (data[lead] == '\n' || data[lead] == '\r')) ++lead;
    if (lead >= 1 && lead <= 19) {
        data.resize(data.size() + lead);
        if (io.readBytes(data.data() + count, lead) != 0) return -1;
        data.erase(data.begin(), data.begin() + static_cast<long>(lead));
    }
    receiverAs<ImageFile>(r).thumbnailJPEG = std::move(data);
    return 0;
}

// The file's path; the thumbnail lines of older files are read, never written.
constexpr FieldTable::Line kFileLines[] = {
    {"image", readImage, writeGetter<&ImageFile::path>, Spelling::quoted},
    {"ThumbnailSize", readThumbnailSize},
    {"JPEGThumbnail", readTextThumbnail},
    {"JPEGBinaryThumbnail", readBinaryThumbnail},
};
constexpr FieldTable kFileTable{kFileLines};

}  // namespace

void ImageFile::registerCommands() {
    SceneMember::registerCommands();
    kFileTable.registerInto(*this);
}

int ImageFile::writeCommands(CommandIO& io) {
    if (SceneMember::writeCommands(io) != 0) return -1;
    return kFileTable.write(io, *this);
}

}  // namespace fw
