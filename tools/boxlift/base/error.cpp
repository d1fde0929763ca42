#include "base/error.h"

#include <utility>

namespace boxlift {

Error::Error(std::string problem) : problem_(std::move(problem)) { Changed(); }

Error& Error::InFile(std::string file) {
    file_ = std::move(file);
    return Changed();
}

Error& Error::AtLine(int line) {
    line_ = line;
    return Changed();
}

Error& Error::InRecord(std::uint64_t record) {
    record_ = record;
    return Changed();
}

Error& Error::AtOffset(std::uint64_t offset) {
    offset_ = offset;
    return Changed();
}

Error& Error::About(std::string subject) {
    subject_ = std::move(subject);
    return Changed();
}

Error& Error::SetFileIfUnset(const std::string& file) {
    return file_.empty() ? InFile(file) : *this;
}

Error& Error::SetSubjectIfUnset(const std::string& subject) {
    return subject_.empty() ? About(subject) : *this;
}

std::string Error::Message() const {
    std::string text;
    if (!file_.empty() || line_) {
        text = file_;
        if (line_) {
            text += ':';
            text += std::to_string(*line_);
        }
        text += ": ";
    }
    std::string place = subject_;
    auto add = [&place](const std::string& part) {
        if (!place.empty()) place += ' ';
        place += part;
    };
    if (record_) add("record " + std::to_string(*record_));
    if (offset_) add("at offset " + std::to_string(*offset_));
    if (!place.empty()) text += place + ": ";
    return text + problem_;
}

Error& Error::Changed() {
    text_ = Message();
    return *this;
}

}  // namespace boxlift
