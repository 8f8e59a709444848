#include "image/JpegExif.h"

#include <libexif/exif-data.h>

#include <memory>

namespace xdw {

namespace {

struct ExifDataFree {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

// Resolution units: 1 gives no absolute size, 2 is per inch, 3 per centimetre.
constexpr unsigned kPerInch = 2, kPerCentimetre = 3;

}  // namespace

ExifFacts ReadExif(std::string_view block) {
    ExifFacts facts;
    const std::unique_ptr<ExifData, ExifDataFree> data(exif_data_new());
    if (!data) return facts;
    // As the file has it: the library would otherwise add the tags the
    // standard requires, with made-up values (72 dpi).
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(block.data()),
                        static_cast<unsigned>(block.size()));
    ExifContent* first = data->ifd[EXIF_IFD_0];
    const ExifByteOrder order = exif_data_get_byte_order(data.get());
    // The tag's entry when it holds at least one value of the format.
    const auto entry = [&](ExifTag tag, ExifFormat format) -> const ExifEntry* {
        const ExifEntry* e = exif_content_get_entry(first, tag);
        return e != nullptr && e->format == format && e->components >= 1 &&
                       e->size >= exif_format_get_size(format)
                   ? e
                   : nullptr;
    };

    facts.camera = exif_content_get_entry(first, EXIF_TAG_MAKE) != nullptr ||
                   exif_content_get_entry(first, EXIF_TAG_MODEL) != nullptr;
    if (const ExifEntry* e = entry(EXIF_TAG_ORIENTATION, EXIF_FORMAT_SHORT)) {
        const unsigned value = exif_get_short(e->data, order);
        if (value >= 1 && value <= 8) facts.orientation = static_cast<int>(value);
    }
    unsigned unit = kPerInch;
    if (const ExifEntry* e = entry(EXIF_TAG_RESOLUTION_UNIT, EXIF_FORMAT_SHORT))
        unit = exif_get_short(e->data, order);
    if (unit != kPerInch && unit != kPerCentimetre) return facts;
    const double perInch = unit == kPerCentimetre ? 2.54 : 1.0;
    const auto resolution = [&](ExifTag tag) {
        const ExifEntry* e = entry(tag, EXIF_FORMAT_RATIONAL);
        if (e == nullptr) return 0.0;
        const ExifRational r = exif_get_rational(e->data, order);
        return r.denominator == 0 ? 0.0
                                  : static_cast<double>(r.numerator) / r.denominator * perInch;
    };
    facts.xdpi = resolution(EXIF_TAG_X_RESOLUTION);
    facts.ydpi = resolution(EXIF_TAG_Y_RESOLUTION);
    return facts;
}

}  // namespace xdw
