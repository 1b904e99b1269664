// Our image library: one current image plus the save settings that later
// saves use. Every failing operation throws dudo::Error with a readable
// message; nothing reports success after failing.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

#include "imagelib/codecs.h"
#include "imagelib/image.h"
#include "imagelib/picture.h"

namespace dudo {

enum class FileFormat { Jpeg = 1, Gif = 2, Png = 3, Bmp = 4 };

const char* Extension(FileFormat format);  // ".jpg", ".gif", ".png", ".bmp"

struct SaveSettings {
    FileFormat format = FileFormat::Png;
    int jpegQuality = 100;   // 0..100, the field's shown default
    int pngCompression = 7;  // 1..7, least to most; the field's shown default
    // JpegFlag: kept, but it changes nothing. Progressive or optimised
    // coding would make a capture two to five times slower for 5-10% less.
    bool jpegFlag = false;
    bool gifInterlaced = false;    // GifFlagA
    bool gif89a = false;           // GifFlagB: write the GIF89a version (87a otherwise)
};

class ImageLibrary {
public:
    // Saves land in `folder`; the default is the process's working folder.
    explicit ImageLibrary(std::filesystem::path folder = ".") : folder_(std::move(folder)) {}

    std::string VersionText() const;
    // Reads a BMP file into the current image.
    void LoadFile(const std::filesystem::path& path);
    void NewImage(int width, int height, std::uint32_t background);
    // Writes the current image as `baseName` plus the format's extension,
    // never over an existing file. Returns the path written.
    std::filesystem::path SaveFile(const std::string& baseName);
    void SaveFormat(int code);
    void JpegQuality(int quality);
    void GifFlagB(bool on);
    void JpegFlag(bool on);
    void PngCompression(int level);
    int ImageWidth() const { return image_.width(); }
    int ImageHeight() const { return image_.height(); }
    void GifFlagA(bool on);
    void Resize(int width, int height);
    // colourCode 0 keeps full colour; 1 gives two colours (black and white);
    // 2..256 give at most that many. greyFlag 1 makes the pixels grey.
    void ReduceColours(int colourCode, int dither, int greyFlag);
    void FromPicture(const Picture& picture);
    void FromPicture(Picture&& picture);  // takes the pixels over; `picture` is left empty

    const SaveSettings& settings() const { return settings_; }
    const Image& image() const { return image_; }
    // Gives up the current image's pixels, so that their memory can serve
    // the next capture instead of being freed and faulted in again.
    Picture ReleasePixels();
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    SaveSettings settings_;
    Image image_;
    PngEncoder png_;
};

}  // namespace dudo
