// The judgement of an item's answer by its name, content type and first bytes.
#include <gtest/gtest.h>

#include <string>

#include "harvest/ItemCheck.h"

namespace tessaly {
namespace {

using namespace std::string_literals;

TEST(ItemCheck, AWebPageOrNoPictureIsNotTheItem) {
    struct Case {
        const char* name;
        const char* contentType;
        std::string head;
        bool picture;
        const char* problem;  // "" when the answer may be the item
    };
    const char* page = "the service sent a web page instead of the file";
    const char* noPicture = "the answer is not a picture";
    const Case cases[] = {
        {"a.jpg", "image/jpeg", "\xFF\xD8\xFF\xE0 rest"s, true, ""},
        {"a.png", "image/png", "\x89PNG\r\n\x1A\n...."s, true, ""},
        {"a.gif", "image/gif", "GIF87a...."s, true, ""},
        {"a.webp", "image/webp", "RIFF\x10\0\0\0WEBPVP8 "s, true, ""},
        {"a.tif", "image/tiff", "II*\0...."s, true, ""},
        {"a.tif", "image/tiff", "MM\0*...."s, true, ""},
        {"a.bmp", "image/bmp", "BM......"s, true, ""},
        {"a.heic", "image/heic",
         "\0\0\0\x18"
         "ftypheic"s,
         true, ""},
        {"a.jpg", "image/jpeg", "RIFF\x10\0\0\0WAVEfmt "s, true, noPicture},
        {"a.jpg", "image/jpeg", "This is not a picture.", true, noPicture},
        {"a.jpg", "image/jpeg", "", true, noPicture},
        {"a.jpg", "text/html; charset=UTF-8", "\xFF\xD8\xFF\xE0"s, true, page},
        {"a.jpg", "application/octet-stream", "\xEF\xBB\xBF\r\n  <!DOCTYPE HTML>"s, true, page},
        {"a.pdf", "application/octet-stream", "<html><head>", false, page},
        {"a.pdf", "text/html", "%PDF-1.4", false, page},
        {"a.pdf", "application/pdf", "%PDF-1.4", false, ""},
        {"notes.txt", "text/plain", "<title> is a tag", false, page},
        {"notes.txt", "text/plain", "plain words", false, ""},
        // A page is what a page's name asks for; a name without an extension says nothing.
        {"index.HTML", "text/html", "<html>", false, ""},
        {"dir/readme", "text/html", "<html>", false, ""},
        {"a.doc", "application/msword", "\xD0\xCF\x11\xE0"s, false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ItemBodyProblem(c.name, c.contentType, c.head, c.picture), c.problem)
            << c.name << " " << c.contentType << " [" << c.head << "]";
    }
}

TEST(ItemCheck, PictureNamesByTheirExtension) {
    for (const char* name : {"a.jpg", "B.JPEG", "c.png", "d.gif", "e.bmp", "f.webp", "g.tiff"})
        EXPECT_TRUE(IsPictureName(name)) << name;
    for (const char* name : {"a.jpg.exe", "notes.txt", "readme", "jpg", "dir.jpg/readme"})
        EXPECT_FALSE(IsPictureName(name)) << name;
}

}  // namespace
}  // namespace tessaly
