// The picture conversion of an article about to be shown: uuencoded pictures in the body, or
// MIME image parts, are saved as files and shown through an HTML part added to the message.
// Portable: the files go through a PictureFolder, the host is not touched.
#pragma once

#include <string>

class PictureBudget;
class PictureFolder;

// Converts `article` (the message text as stored or as received; bare LF line ends are read as
// CR LF). Returns true and sets *converted to the new message text when at least one picture
// was saved; false (and *converted untouched) otherwise. The caller runs it only while the
// picture preference is on, and on true shows *converted as the displayed message ("TEMP") in
// place of the article; the stored article itself is never changed.
//
// Uuencoded blocks (a line "begin mode name" up to a line starting with "end", or the end of
// the text) take precedence over named parts. A block whose name is not a picture name cancels
// the whole conversion (false), even when earlier pictures were saved. Image parts (media type
// image, or a lower-cased name ending in ".bmp") are saved under their lower-cased name. A
// picture whose name is refused (see SafePictureFileName), that decodes to nothing, or that
// cannot be saved is left out; the others still show.
//
// At most PictureBudget::kMaxPictures pictures and kMaxBytes bytes of them are saved per
// message, in the order they appear; the pictures past a limit stay text (their uuencoded block
// or their part is kept as it was), and the earlier ones still show.
//
// The result is multipart/mixed with a new boundary. A body that was not multipart, and the
// body text of a uuencoded article, become its first part; existing parts stay; then a
// text/html part with one entry per picture: its file name (HTML-escaped) and an <IMG> of its
// path in the folder.
bool ConvertBody(const std::string& article, PictureFolder& folder, std::string* converted);
// The same with the limits of `budget`, which must be fresh (nothing counted yet).
bool ConvertBody(const std::string& article, PictureFolder& folder, PictureBudget& budget, std::string* converted);

// Text with & < > " ' written as character references, for names placed into HTML.
std::string EscapeHtml(const std::string& text);
