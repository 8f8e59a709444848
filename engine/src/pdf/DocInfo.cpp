#include "pdf/DocInfo.h"

#include <qpdf/QUtil.hh>

namespace xdw {

namespace {

// The document's information dictionary, made (indirect, as readers expect)
// when it has none or it is damaged.
QPDFObjectHandle Info(QPDF& pdf) {
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle info = trailer.getKey("/Info");
    if (!info.isDictionary()) {
        info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        trailer.replaceKey("/Info", info);
    }
    return info;
}

std::string Now() { return QUtil::qpdf_time_to_pdf_time(QUtil::get_current_qpdf_time()); }

void SetIfNone(QPDFObjectHandle info, const std::string& key, const std::string& value) {
    if (!info.getKey(key).isString())
        info.replaceKey(key, QPDFObjectHandle::newUnicodeString(value));
}

}  // namespace

std::string ProducerName() {
    return std::string("Quilbex ") + QUILBEX_ENGINE_VERSION + " (engine " + QUILBEX_ENGINE_VERSION +
           ")";
}

void StampNewDocument(QPDF& pdf, const std::string& title) {
    QPDFObjectHandle info = Info(pdf);
    const std::string now = Now();
    info.replaceKey("/Producer", QPDFObjectHandle::newUnicodeString(ProducerName()));
    SetIfNone(info, "/CreationDate", now);
    SetIfNone(info, "/ModDate", now);
    if (!title.empty()) SetIfNone(info, "/Title", title);
}

void StampChangedDocument(QPDF& pdf) {
    QPDFObjectHandle info = Info(pdf);
    info.replaceKey("/Producer", QPDFObjectHandle::newUnicodeString(ProducerName()));
    info.replaceKey("/ModDate", QPDFObjectHandle::newString(Now()));
    SetIfNone(info, "/CreationDate", info.getKey("/ModDate").getStringValue());
}

}  // namespace xdw
