// Parsing and rendering of the formatter, instantiated for char and wchar_t.
#include "util/format/format.h"

namespace {

enum : std::uint8_t {
    flag_left = 0x01,
    flag_plus = 0x02,
    flag_space = 0x04,
    flag_alternate = 0x08,
    flag_grouping = 0x10,
    flag_fixed_point = 0x20,
    flag_star_width = 0x40,
    flag_star_precision = 0x80,
};

// Widths and precisions live in signed 8-bit fields; anything larger saturates here.
constexpr int max_width = 127;
// With ',' the integer part and the decimals have to fit the work area together.
constexpr int max_fixed_precision = 31;
// Longest rendering: 64 bits in octal (22 digits) with 5 group separators = 27, or
// 31 decimals plus one integer digit and the point = 33. The sign stays outside.
constexpr std::size_t work_size = 36;
constexpr std::size_t max_digits = 22;
static_assert(max_fixed_precision + 2 <= static_cast<int>(work_size), "fixed point must fit the work area");
static_assert(max_digits + (max_digits - 1) / 4 <= work_size, "grouped octal must fit the work area");

constexpr char lower_digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr char upper_digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr char base64_digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char null_text[] = "(null)";
constexpr std::size_t null_length = sizeof(null_text) - 1;

// Text pointers below this address are taken for the result of a failed lookup, never real text.
constexpr std::uintptr_t lowest_text_address = 4096;

// Digits of `value`, most significant first, into `work`; returns their number.
template <class C>
std::size_t render_digits(C* work, std::uint64_t value, unsigned base, const char* table) {
    char reversed[max_digits];
    std::size_t n = 0;
    do {
        reversed[n++] = table[value % base];
        value /= base;
    } while (value != 0);
    for (std::size_t i = 0; i < n; ++i) work[i] = static_cast<C>(reversed[n - 1 - i]);
    return n;
}

template <class C>
int read_number(const C*& pos) {
    int value = 0;
    for (; *pos >= C('0') && *pos <= C('9'); ++pos) {
        value = value * 10 + static_cast<int>(*pos - C('0'));
        if (value > max_width) value = max_width;
    }
    return value;
}

// Places a '.' before the last `precision` digits, padding with leading zeros so at
// least one digit stands before it. Returns the new length.
template <class C>
std::size_t insert_point(C* work, std::size_t n, std::size_t precision) {
    if (n < precision + 1) {
        std::size_t shift = precision + 1 - n;
        for (std::size_t i = n; i > 0; --i) work[i - 1 + shift] = work[i - 1];
        for (std::size_t i = 0; i < shift; ++i) work[i] = C('0');
        n = precision + 1;
    }
    for (std::size_t i = n; i > n - precision; --i) work[i] = work[i - 1];
    work[n - precision] = C('.');
    return n + 1;
}

template <class C>
std::size_t insert_separators(C* work, std::size_t n, std::size_t group, C separator) {
    if (n <= group) return n;
    std::size_t out = n + (n - 1) / group;
    std::size_t src = n, dst = out, run = 0;
    while (src > 0) {
        if (run == group) {
            work[--dst] = separator;
            run = 0;
        }
        work[--dst] = work[--src];
        ++run;
    }
    return out;
}

} // namespace

template <class C>
format_base<C>& format_base<C>::set_format(const C* format) {
    pos_ = format;
    reset_field();
    emit_literal();
    return *this;
}

template <class C>
void format_base<C>::finish() {
    // Each pass drops one placeholder that never got its argument.
    while (pos_ && *pos_) {
        ++pos_;
        reset_field();
        emit_literal();
    }
}

template <class C>
void format_base<C>::reset_field() {
    width_ = 0;
    precision_ = -1;
    flags_ = 0;
    fill_ = C(' ');
    sign_prefix_[0] = C(0);
    prefix_end_ = 1;
}

template <class C>
void format_base<C>::end_field() {
    if (pos_ && *pos_) ++pos_;
    reset_field();
    emit_literal();
}

template <class C>
void format_base<C>::emit_literal() {
    if (!pos_) return;
    for (;;) {
        const C* run = pos_;
        while (*pos_ && *pos_ != C('%')) ++pos_;
        if (pos_ != run) put_text(run, static_cast<std::size_t>(pos_ - run));
        if (!*pos_) return;
        if (pos_[1] != C('%')) break;
        put_chars(C('%'), 1);
        pos_ += 2;
    }
    ++pos_;
    parse_placeholder();
}

// Leaves the position on the conversion character (or on the terminating NUL);
// every look-ahead stops at the NUL.
template <class C>
void format_base<C>::parse_placeholder() {
    for (;; ++pos_) {
        C ch = *pos_;
        if (ch == C('-'))
            flags_ |= flag_left;
        else if (ch == C('+'))
            flags_ |= flag_plus;
        else if (ch == C(' '))
            flags_ |= flag_space;
        else if (ch == C('#'))
            flags_ |= flag_alternate;
        else if (ch == C('\''))
            flags_ |= flag_grouping;
        else if (ch == C(','))
            flags_ |= flag_fixed_point;
        else if (ch == C('0'))
            fill_ = C('0');
        else
            break;
    }
    if (*pos_ == C('*')) {
        flags_ |= flag_star_width;
        ++pos_;
    } else {
        width_ = static_cast<std::int8_t>(read_number(pos_));
    }
    if (*pos_ == C('.')) {
        fill_ = C(' ');
        ++pos_;
        if (*pos_ == C('*')) {
            flags_ |= flag_star_precision;
            ++pos_;
        } else {
            precision_ = static_cast<std::int8_t>(read_number(pos_));
        }
    }
    if (*pos_ == C('h') || *pos_ == C('l') || *pos_ == C('L')) {
        ++pos_;
        if (*pos_ == C('l')) ++pos_;
    } else if (*pos_ == C('I') && pos_[1] == C('6') && pos_[2] == C('4')) {
        pos_ += 3;
        if (*pos_ == C('l')) ++pos_;
    }
}

template <class C>
void format_base<C>::feed_integer(std::uint64_t bits, bool is_64bit, bool is_signed) {
    if (flags_ & (flag_star_width | flag_star_precision)) {
        take_star(bits, is_64bit, is_signed);
        return;
    }
    render_integer(conversion(), bits, is_64bit, is_signed);
    end_field();
}

template <class C>
void format_base<C>::take_star(std::uint64_t bits, bool is_64bit, bool is_signed) {
    if (flags_ & flag_star_width) {
        flags_ &= static_cast<std::uint8_t>(~flag_star_width);
        int width = static_cast<int>(bits & 0xff);
        if (width >= 0x80) width -= 0x100;
        if (width < 0) {
            flags_ |= flag_left;
            width = -width;
        }
        width_ = static_cast<std::int8_t>(width > max_width ? max_width : width);
        return;
    }
    flags_ &= static_cast<std::uint8_t>(~flag_star_precision);
    bool negative = is_signed && ((bits >> (is_64bit ? 63 : 31)) & 1) != 0;
    if (negative)
        precision_ = -1;
    else
        precision_ = static_cast<std::int8_t>(bits > max_width ? max_width : bits);
}

template <class C>
void format_base<C>::render_integer(C conversion, std::uint64_t bits, bool is_64bit, bool is_signed) {
    if (conversion == C('?') || conversion == C('i')) conversion = is_signed ? C('d') : C('u');
    if (!is_64bit) bits &= 0xffffffffu;
    C work[work_size];
    const char* table = lower_digits;
    unsigned base = 16;
    const char* prefix = "0x";
    switch (conversion) {
        case C('c'): {
            C ch = static_cast<C>(bits);
            write_field(&ch, ch != C(0) ? 1 : 0, kind_text);
            return;
        }
        case C('u'):
            write_number(work, render_digits(work, bits, 10, lower_digits), false, kind_decimal);
            return;
        case C('p'): flags_ |= flag_alternate; break;
        case C('x'): break;
        case C('X'): table = upper_digits; break;
        case C('o'): base = 8, prefix = "0"; break;
        case C('z'): base = 36, prefix = ""; break;
        case C('Z'): base = 36, table = upper_digits, prefix = ""; break;
        case C('m'): base = 64, table = base64_digits, prefix = ""; break;
        default: {
            bool negative = ((bits >> (is_64bit ? 63 : 31)) & 1) != 0;
            std::uint64_t magnitude = bits;
            if (negative) magnitude = is_64bit ? 0 - bits : 0x100000000u - bits;
            write_number(work, render_digits(work, magnitude, 10, lower_digits), negative, kind_decimal);
            return;
        }
    }
    std::size_t n = render_digits(work, bits, base, table);
    if ((flags_ & flag_alternate) && !(n == 1 && work[0] == C('0'))) {
        for (; *prefix; ++prefix) sign_prefix_[prefix_end_++] = static_cast<C>(*prefix);
    }
    write_number(work, n, false, kind_radix);
}

// Sign, decimal point and grouping of a rendered number, then the field itself.
template <class C>
void format_base<C>::write_number(C* work, std::size_t n, bool negative, field_kind kind) {
    if (negative)
        sign_prefix_[0] = C('-');
    else if (flags_ & flag_plus)
        sign_prefix_[0] = C('+');
    else if (flags_ & flag_space)
        sign_prefix_[0] = C(' ');
    if ((flags_ & flag_fixed_point) && precision_ > 0) {
        if (precision_ > max_fixed_precision) precision_ = max_fixed_precision;
        n = insert_point(work, n, static_cast<std::size_t>(precision_));
        if (flags_ & flag_alternate) {
            for (; precision_ > 0 && work[n - 1] == C('0'); --precision_) --n;
            if (work[n - 1] == C('.')) --n;
        }
    } else if ((flags_ & flag_grouping) && !(flags_ & flag_fixed_point)) {
        // With ',' set only the decimal point applies, also where the precision gives it
        // nothing to do.
        bool decimal = kind == kind_decimal;
        n = insert_separators(work, n, decimal ? 3 : 4, decimal ? C(',') : C(':'));
    }
    write_field(work, n, kind);
}

template <class C>
void format_base<C>::write_field(const C* chars, std::size_t n, field_kind kind) {
    bool text = kind == kind_text;
    if (text && precision_ >= 0 && static_cast<std::size_t>(precision_) < n)
        n = static_cast<std::size_t>(precision_);
    std::size_t head_start = !text && sign_prefix_[0] != C(0) ? 0 : 1;
    std::size_t head = text ? 0 : prefix_end_ - head_start;
    std::size_t precision = precision_ > 0 ? static_cast<std::size_t>(precision_) : 0;
    std::size_t zeros = !text && precision > n ? precision - n : 0;
    std::size_t width = width_ > 0 ? static_cast<std::size_t>(width_) : 0;
    bool left = (flags_ & flag_left) != 0;
    std::size_t total = head + zeros + n;
    if (!text && fill_ == C('0') && total < width && !left) {
        zeros += width - total;
        total = width;
    }
    if (total < width && !left) put_chars(fill_, width - total);
    if (head > 0) put_text(sign_prefix_ + head_start, head);
    if (zeros > 0) put_chars(C('0'), zeros);
    if (n > 0) put_text(chars, n);
    if (total < width && left) put_chars(C(' '), width - total);
}

template <class C>
void format_base<C>::feed_text(const C* text, std::ptrdiff_t length) {
    flags_ &= static_cast<std::uint8_t>(~(flag_star_width | flag_star_precision));
    C conv = conversion();
    auto address = reinterpret_cast<std::uintptr_t>(text);
    if (conv == C('x') || conv == C('X') || conv == C('p')) {
        flags_ |= flag_alternate;
        render_integer(conv, address, sizeof(address) > 4, false);
    } else if (address < lowest_text_address) {
        C widened[null_length];
        for (std::size_t i = 0; i < null_length; ++i) widened[i] = static_cast<C>(null_text[i]);
        write_field(widened, null_length, kind_text);
    } else {
        std::size_t n = 0;
        if (length >= 0) {
            n = static_cast<std::size_t>(length);
        } else {
            // A precision bounds the scan, so a text without NUL is safe then.
            std::size_t limit = precision_ >= 0 ? static_cast<std::size_t>(precision_) : SIZE_MAX;
            while (n < limit && text[n] != C(0)) ++n;
        }
        write_field(text, n, kind_text);
    }
    end_field();
}

template class format_base<char>;
template class format_base<wchar_t>;
