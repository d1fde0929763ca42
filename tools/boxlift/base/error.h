// Every failure of the packaging tool: what is wrong, and where, as far as
// the layer that throws knows it: the file, a line, a record or an offset
// in it, and the subject (a config key, an option, a field). A layer that
// knows more adds its part to the error on the way out and rethrows the
// same error (SetFileIfUnset, AboutFile); Message() puts the parts into
// one text, e.g. "demo.ini:7: showWelcome: expected yes/no/true/false/1/0".
#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

namespace boxlift {

class Error : public std::exception {
public:
    explicit Error(std::string problem);

    // Where, for the throw: throw Error("unknown key").InFile(f).AtLine(7).About(key).
    Error& InFile(std::string file);
    Error& AtLine(int line);
    Error& InRecord(std::uint64_t record);
    Error& AtOffset(std::uint64_t offset);
    Error& About(std::string subject);

    // What an outer layer adds: each part only where the thrower left it unset.
    Error& SetFileIfUnset(const std::string& file);
    Error& SetSubjectIfUnset(const std::string& subject);

    const std::string& file() const { return file_; }  // empty: none
    std::optional<int> line() const { return line_; }
    const std::string& subject() const { return subject_; }  // empty: none
    const std::string& problem() const { return problem_; }

    // "FILE:LINE: SUBJECT record R at offset N: PROBLEM", with the parts
    // that are set, each followed by ": ".
    std::string Message() const;
    // Message(), for handlers of any std::exception.
    const char* what() const noexcept override { return text_.c_str(); }

private:
    Error& Changed();

    std::string problem_;
    std::string file_;
    std::optional<int> line_;
    std::optional<std::uint64_t> record_;
    std::optional<std::uint64_t> offset_;
    std::string subject_;
    std::string text_;  // Message(), kept current
};

// Runs fn; an Error it throws names file unless it names one already.
template <typename Fn>
auto AboutFile(const std::filesystem::path& file, Fn fn) {
    try {
        return fn();
    } catch (Error& e) {
        e.SetFileIfUnset(file.string());
        throw;
    }
}

}  // namespace boxlift
