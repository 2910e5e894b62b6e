// Type-safe printf-like formatter: arguments are fed one at a time, no heap use of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

// Placeholders: %[flags][width][.precision][length]conversion
//   flags      '-' left-align, '+' plus sign, ' ' space sign, '#' alternate form,
//              '\'' digit grouping, ',' fixed point (precision = decimals), '0' zero fill
//   width      digits or '*' (taken from the next fed argument)
//   precision  '.' digits or '.*'; for numbers the minimum digit count (or decimals
//              with ','), for text the maximum length
//   length     h, l, L, I64, each optionally followed by 'l': accepted and ignored
//   conversion '?' or 'i' = the argument's natural one ('d' signed, 'u' unsigned),
//              d u x X p o z Z (base 36) m (base 64) c (character)
// Width and precision digits saturate at 127, a precision taken from an argument too;
// a width taken from an argument is its low 8 bits as a signed number (negative: left-
// aligned). With ',' the precision is limited to 31.
//
// Feeding: every argument goes in through arg() or operator<<, which return the
// formatter, so feeds chain:
//     std::wstring label = (basic_format<wchar_t>(L"%#,.1?") << tenths).str();
//     basic_format<char>("%s: %?\n").arg(name, name_length).arg(code).str();
// Integers of any width (8 to 64 bits) are accepted; a 32-bit value renders at most
// 8 hexadecimal digits, a 64-bit one at most 16. A char is a number too: print it as a
// character with "%c". Text is a NUL-terminated pointer, a pointer and a length (-1: up
// to the NUL, never past the precision) or a std::basic_string of the formatter's own
// character type. Text fed to an x, X or p placeholder prints its address (all of its
// bits) in hexadecimal with "0x"; a null pointer or one below 4096 prints "(null)".
template <class C>
class format_base {
public:
    format_base(const format_base&) = delete;
    format_base& operator=(const format_base&) = delete;

    // Makes `format` current and emits its literal text up to the first placeholder.
    // The caller keeps the format alive while the formatter uses it.
    format_base& set_format(const C* format);

    template <class T, std::enable_if_t<std::is_integral<T>::value, int> = 0>
    format_base& arg(T value) {
        if constexpr (sizeof(T) > 4)
            feed_integer(static_cast<std::uint64_t>(value), true, std::is_signed<T>::value);
        else if constexpr (std::is_signed<T>::value)
            feed_integer(static_cast<std::uint32_t>(static_cast<std::int32_t>(value)), false, true);
        else
            feed_integer(static_cast<std::uint32_t>(value), false, false);
        return *this;
    }
    format_base& arg(const C* text, std::ptrdiff_t length = -1) {
        feed_text(text, length);
        return *this;
    }
    format_base& arg(const std::basic_string<C>& text) {
        feed_text(text.data(), static_cast<std::ptrdiff_t>(text.size()));
        return *this;
    }
    template <class T>
    format_base& operator<<(const T& value) {
        return arg(value);
    }
    format_base& operator<<(const C* text) { return arg(text); }

    // Emits what is left of the format; a placeholder that got no argument yields nothing.
    void finish();
    std::basic_string<C> str() {
        finish();
        return get_text();
    }

protected:
    format_base() = default;
    ~format_base() = default;

    virtual void put_chars(C ch, std::size_t count) = 0;
    virtual void put_text(const C* text, std::size_t count) = 0;
    virtual std::basic_string<C> get_text() = 0;

private:
    enum field_kind { kind_text, kind_decimal, kind_radix };

    void feed_integer(std::uint64_t bits, bool is_64bit, bool is_signed);
    void feed_text(const C* text, std::ptrdiff_t length);
    void take_star(std::uint64_t bits, bool is_64bit, bool is_signed);
    void render_integer(C conversion, std::uint64_t bits, bool is_64bit, bool is_signed);
    void write_field(const C* chars, std::size_t n, field_kind kind);
    void write_number(C* work, std::size_t n, bool negative, field_kind kind);
    C conversion() const { return pos_ ? *pos_ : C(0); }
    void reset_field();
    void end_field();
    void emit_literal();
    void parse_placeholder();

    std::int8_t width_ = 0;
    std::int8_t precision_ = -1;
    std::uint8_t flags_ = 0;
    C fill_ = C(' ');
    // The sign cell lies directly before the radix prefix so both leave as one run.
    C sign_prefix_[4] = {};
    std::uint8_t prefix_end_ = 1;
    const C* pos_ = nullptr;
};

// Collects the output in a string of its own, returned by str().
template <class C>
class basic_format final : public format_base<C> {
public:
    explicit basic_format(const C* format) { this->set_format(format); }

protected:
    void put_chars(C ch, std::size_t count) override { text_.append(count, ch); }
    void put_text(const C* text, std::size_t count) override { text_.append(text, count); }
    std::basic_string<C> get_text() override { return text_; }

private:
    std::basic_string<C> text_;
};

// Appends the output to the caller's string; formats are attached with set_format.
template <class C>
class basic_strformat final : public format_base<C> {
public:
    explicit basic_strformat(std::basic_string<C>& target) : target_(target) {}
    ~basic_strformat() { this->finish(); }

protected:
    void put_chars(C ch, std::size_t count) override { target_.append(count, ch); }
    void put_text(const C* text, std::size_t count) override { target_.append(text, count); }
    std::basic_string<C> get_text() override { return {}; }

private:
    std::basic_string<C>& target_;
};

// Writes into the caller's fixed buffer, truncating silently. The buffer always
// holds a terminated text (when its size is at least 1): output stops at size - 1.
template <class C>
class basic_sformat final : public format_base<C> {
public:
    basic_sformat(C* buffer, std::size_t size, const C* format) : buffer_(buffer), size_(size) {
        terminate();
        this->set_format(format);
    }
    ~basic_sformat() { this->finish(); }

    // Characters written so far (without the terminating NUL).
    std::size_t length() const { return used_; }

protected:
    void put_chars(C ch, std::size_t count) override {
        for (count = clip(count); count > 0; --count) buffer_[used_++] = ch;
        terminate();
    }
    void put_text(const C* text, std::size_t count) override {
        for (count = clip(count); count > 0; --count) buffer_[used_++] = *text++;
        terminate();
    }
    std::basic_string<C> get_text() override { return {}; }

private:
    std::size_t clip(std::size_t count) const {
        std::size_t room = size_ > used_ + 1 ? size_ - used_ - 1 : 0;
        return count < room ? count : room;
    }
    void terminate() {
        if (used_ < size_) buffer_[used_] = C(0);
    }

    C* buffer_;
    std::size_t size_;
    std::size_t used_ = 0;
};
