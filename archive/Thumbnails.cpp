#include "archive/Thumbnails.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QLoggingCategory>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "archive/SiteText.h"
#include "platform/CompleteFile.h"
#include "platform/FileLock.h"
#include "platform/SpecialFolders.h"
#include "text/TextUtils.h"

namespace tessaly::archive {
namespace {

constexpr const char* kListName = "thumbs.tsv";

}  // namespace

bool IsPictureName(const std::string& name) {
    static const char* kExtensions[] = {".jpg", ".jpeg", ".jpe", ".png", ".gif", ".bmp"};
    for (const char* e : kExtensions) {
        if (EndsText(e, name)) return true;
    }
    return false;
}

std::optional<std::string> MakeThumbnail(const std::string& path) {
    // A picture that cannot be read shows "no preview"; the decoder need not say why on the
    // terminal, once per broken picture.
    static const bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*.warning=false"));
        return true;
    }();
    (void)quiet;
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > kThumbWidth || full.height() > kThumbHeight))
        reader.setScaledSize(full.scaled(kThumbWidth, kThumbHeight, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    if (image.width() > kThumbWidth || image.height() > kThumbHeight)
        image =
            image.scaled(kThumbWidth, kThumbHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (image.hasAlphaChannel()) {
        // JPEG has no transparency: put the picture on white.
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                const double a = c.alphaF();
                flat.setPixelColor(x, y,
                                   QColor::fromRgbF(static_cast<float>(c.redF() * a + (1 - a)),
                                                    static_cast<float>(c.greenF() * a + (1 - a)),
                                                    static_cast<float>(c.blueF() * a + (1 - a))));
            }
        }
        image = flat;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", 82)) return std::nullopt;
    return bytes.toStdString();
}

TThumbnailCache::TThumbnailCache(std::string folder) : folder_(std::move(folder)) {
    std::ifstream in(folder_ + kListName, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = SplitAll(line, '\t');
        if (f.size() != 4) continue;
        try {
            TEntry e{std::stoull(f[1]), std::stoll(f[2]), f[3]};
            entries_[f[0]] = e;
        } catch (const std::exception&) {
            continue;  // a damaged line: that picture's thumbnail is made again
        }
    }
}

bool TThumbnailCache::Stale(const TPicture& p) const {
    const auto it = entries_.find(HashName(p.key));
    if (it == entries_.end()) return true;
    if (it->second.size != p.size || it->second.mtimeNs != p.mtimeNs) return true;
    std::error_code ec;
    return !it->second.thumb.empty() && !std::filesystem::exists(folder_ + it->second.thumb, ec);
}

std::string TThumbnailCache::Thumbnail(const TPicture& p) {
    const std::string key = HashName(p.key);
    seen_.insert(key);
    if (!Stale(p)) return entries_.at(key).thumb;
    std::string thumb;
    if (const auto bytes = MakeThumbnail(p.path)) {
        thumb = key + ".jpg";
        if (!ForceDirectories(folder_))
            throw EFileError("cannot create the folder", folder_, errno);
        WriteCompleteFile(folder_ + thumb, *bytes);
        ++made_;
    }
    entries_[key] = TEntry{p.size, p.mtimeNs, thumb};
    return thumb;
}

void TThumbnailCache::Finish() {
    std::string list;
    std::set<std::string> used;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (seen_.count(it->first) == 0) {
            it = entries_.erase(it);
            continue;
        }
        used.insert(it->second.thumb);
        list += it->first + "\t" + std::to_string(it->second.size) + "\t" +
                std::to_string(it->second.mtimeNs) + "\t" + it->second.thumb + "\n";
        ++it;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(folder_, ec)) {
        for (const auto& e : std::filesystem::directory_iterator(folder_, ec)) {
            const std::string name = e.path().filename().string();
            if (EndsText(".jpg", name) && used.count(name) == 0)
                std::filesystem::remove(e.path(), ec);
        }
    }
    if (!list.empty() || std::filesystem::exists(folder_ + kListName, ec)) {
        if (!ForceDirectories(folder_))
            throw EFileError("cannot create the folder", folder_, errno);
        WriteCompleteFile(folder_ + kListName, list);
    }
}

}  // namespace tessaly::archive
