// The value layer: strings, number text, arrays, the ISAAC generator and the
// constant data lists. Every broken rule ends the program with its error code.
#include "runtime/values/values.h"
#include "runtime/values/bytes.h"

#include "runtime/process/process.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

// Run-time error codes raised here.
constexpr int ERROR_ALLOCATION = 7;
constexpr int ERROR_RECORD_ARRAY = 8;
constexpr int ERROR_INDEX = 9;
constexpr int ERROR_DATA_END = 20;

constexpr double RADIANS_PER_DEGREE = 0.017453292519943295;
constexpr double DEGREES_PER_RADIAN = 57.29577951308232;

// Significant digits of a number turned into text.
constexpr int NUMBER_DIGITS = 10;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// ---------------------------------------------------------------- strings

std::string string_mid(const std::string& s, int start, int count) {
    const int length = static_cast<int>(s.size());
    if (start < 0 || start >= length) return std::string();
    const int left = length - start;
    if (count < 0 || count > left) count = left;
    if (count < 1) return std::string();
    return s.substr(static_cast<size_t>(start), static_cast<size_t>(count));
}

std::string string_upper(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = ascii_upper(c);
    return out;
}

int string_char_code(const std::string& s) {
    return s.empty() ? 0 : static_cast<unsigned char>(s[0]);
}

std::string string_from_char_code(int code) {
    return std::string(1, static_cast<char>(code & 0xFF));
}

// The grammar is checked by hand so that hexadecimal, "inf" and "nan" (which
// strtod would accept) stay text, and the locale's decimal point never matters.
double string_to_number(const std::string& s) {
    size_t p = 0;
    const size_t n = s.size();
    while (p < n && (s[p] == ' ' || s[p] == '\t')) ++p;
    bool negative = false;
    if (p < n && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
    const size_t start = p;
    size_t digits = 0;
    while (p < n && is_digit(s[p])) ++p, ++digits;
    if (p < n && s[p] == '.') {
        size_t q = p + 1;
        size_t fraction = 0;
        while (q < n && is_digit(s[q])) ++q, ++fraction;
        if (digits + fraction > 0) p = q, digits += fraction;
    }
    if (digits == 0) return 0.0;
    size_t end = p;
    if (p < n && (s[p] == 'e' || s[p] == 'E')) {
        size_t q = p + 1;
        if (q < n && (s[q] == '+' || s[q] == '-')) ++q;
        size_t exponent = 0;
        while (q < n && is_digit(s[q])) ++q, ++exponent;
        if (exponent > 0) end = q;
    }
    double value = 0.0;
    const std::string prefix = s.substr(start, end - start);
#ifdef __EMSCRIPTEN__
    // The browser build's C++ library has no floating-point from_chars; its
    // strtod runs in the C locale, which reads the same.
    value = std::strtod(prefix.c_str(), nullptr);
#else
    const auto result = std::from_chars(prefix.data(), prefix.data() + prefix.size(), value);
    // Out of range: strtod gives the C answer (infinity or a tiny value).
    if (result.ec != std::errc()) value = std::strtod(prefix.c_str(), nullptr);
#endif
    return negative ? -value : value;
}

std::string string_from_number(double value) {
    if (value == 0.0) value = 0.0;  // -0 prints as "0"
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", NUMBER_DIGITS, value);
    std::string text = buffer;
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (text == ".0") text = "0";
    return text;
}

// Unsigned byte order; a string that is a prefix of the other is smaller.
static int compare_bytes(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = static_cast<unsigned char>(a[i]);
        const int cb = static_cast<unsigned char>(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int string_less_equal(const std::string& a, const std::string& b) {
    return compare_bytes(a, b) <= 0 ? 1 : 0;
}

int string_greater_equal(const std::string& a, const std::string& b) {
    return compare_bytes(a, b) >= 0 ? 1 : 0;
}

// ---------------------------------------------------------------- numbers

double int_mod(double a, double b) {
    if (b == 0.0) return 0.0;
    return a - b * std::trunc(a / b);
}

double abs_number(double x) { return std::fabs(x); }

double cos_degrees(double x) { return std::cos(x * RADIANS_PER_DEGREE); }

double atan2_degrees(double y, double x) { return std::atan2(y, x) * DEGREES_PER_RADIAN; }

// ---------------------------------------------------------------- random numbers

namespace {

constexpr int ISAAC_WORDS = 256;
constexpr uint32_t GOLDEN_RATIO = 0x9e3779b9u;

// The generator's state: results, memory and the three accumulators.
struct Isaac {
    std::array<uint32_t, ISAAC_WORDS> results{};
    std::array<uint32_t, ISAAC_WORDS> memory{};
    uint32_t a = 0, b = 0, c = 0;
};

Isaac isaac_state;
bool isaac_seeded = false;

// One step of a round: word i of memory, with its partner half a table away.
// The table size is a power of two, so the masks keep every index inside.
inline void isaac_step(uint32_t* memory, uint32_t* results, uint32_t& a, uint32_t& b, uint32_t mix, int i,
                       int partner) {
    constexpr uint32_t MASK = ISAAC_WORDS - 1;
    const uint32_t x = memory[i];
    a = (a ^ mix) + memory[partner];
    const uint32_t y = memory[(x >> 2) & MASK] + a + b;
    memory[i] = y;
    b = memory[(y >> 10) & MASK] + x;
    results[i] = b;
}

// One full round: 256 new result words. Every random draw runs one, so it
// is kept lean: a and b live in locals (stores into the tables could alias
// the state's own words), the four shift patterns are unrolled, and the
// partner index needs no modulo.
void isaac_round(Isaac& g) {
    constexpr int HALF = ISAAC_WORDS / 2;
    uint32_t* memory = g.memory.data();
    uint32_t* results = g.results.data();
    uint32_t a = g.a;
    g.c += 1;
    uint32_t b = g.b + g.c;
    for (int i = 0; i < ISAAC_WORDS; i += 4) {
        const int partner = i < HALF ? i + HALF : i - HALF;
        isaac_step(memory, results, a, b, a << 13, i, partner);
        isaac_step(memory, results, a, b, a >> 6, i + 1, partner + 1);
        isaac_step(memory, results, a, b, a << 2, i + 2, partner + 2);
        isaac_step(memory, results, a, b, a >> 16, i + 3, partner + 3);
    }
    g.a = a;
    g.b = b;
}

// The eight-word mixing step of the set-up.
void isaac_mix(uint32_t (&m)[8]) {
    m[0] ^= m[1] << 11; m[3] += m[0]; m[1] += m[2];
    m[1] ^= m[2] >> 2;  m[4] += m[1]; m[2] += m[3];
    m[2] ^= m[3] << 8;  m[5] += m[2]; m[3] += m[4];
    m[3] ^= m[4] >> 16; m[6] += m[3]; m[4] += m[5];
    m[4] ^= m[5] << 10; m[7] += m[4]; m[5] += m[6];
    m[5] ^= m[6] >> 4;  m[0] += m[5]; m[6] += m[7];
    m[6] ^= m[7] << 8;  m[1] += m[6]; m[7] += m[0];
    m[7] ^= m[0] >> 9;  m[2] += m[7]; m[0] += m[1];
}

// Set-up from the seed words held in the results, then a first round.
void isaac_init(Isaac& g) {
    g.a = g.b = g.c = 0;
    uint32_t m[8];
    for (uint32_t& w : m) w = GOLDEN_RATIO;
    for (int i = 0; i < 4; ++i) isaac_mix(m);
    for (int pass = 0; pass < 2; ++pass) {
        const auto& source = pass == 0 ? g.results : g.memory;
        for (int i = 0; i < ISAAC_WORDS; i += 8) {
            for (int k = 0; k < 8; ++k) m[k] += source[i + k];
            isaac_mix(m);
            for (int k = 0; k < 8; ++k) g.memory[i + k] = m[k];
        }
    }
    isaac_round(g);
}

}  // namespace

void random_seed(uint32_t seed) {
    isaac_state = Isaac{};
    isaac_state.results[0] = seed;
    isaac_init(isaac_state);
    isaac_seeded = true;
}

double random_int(double n) {
    if (!(n > 0.0)) return 0.0;
    if (!isaac_seeded) random_seed(0);
    isaac_round(isaac_state);
    const uint32_t r = isaac_state.results[0];
    // n + 1 must fit 32 bits; beyond that every word is already in range.
    if (n >= 4294967295.0) return r;
    const uint32_t range = static_cast<uint32_t>(n) + 1u;
    return static_cast<double>(r % range);
}

// ---------------------------------------------------------------- arrays

void array_index_fault(const char* what, int i, int j, int k, int l) {
    char text[160];
    std::snprintf(text, sizeof text, "%s index out of range (%d, %d, %d, %d)", what, i, j, k, l);
    runtime_error(ERROR_INDEX, text);
}

void record_array_fault(const char* what, int index) {
    char text[160];
    std::snprintf(text, sizeof text, "%s at bad index %d", what, index);
    runtime_error(ERROR_RECORD_ARRAY, text);
}

namespace {

// Element count of a shape; too large a shape is an allocation fault.
size_t element_count(const int (&n)[4], const char* what) {
    if (n[0] <= 0) return 0;
    unsigned long long total = 1;
    for (int d = 0; d < 4; ++d) {
        const unsigned long long size = d == 0 ? static_cast<unsigned long long>(n[0])
                                               : static_cast<unsigned long long>(std::max(n[d], 1));
        total *= size;
        if (total > (1ull << 31)) runtime_error(ERROR_ALLOCATION, std::string(what) + " too large");
    }
    return static_cast<size_t>(total);
}

// Stores a requested shape; a missing or negative size means "no such dimension".
void set_shape(int (&n)[4], int n1, int n2, int n3, int n4) {
    const int sizes[4] = {n1, n2, n3, n4};
    for (int d = 0; d < 4; ++d) n[d] = std::max(sizes[d], 0);
    if (n[0] == 0) n[1] = n[2] = n[3] = 0;
}

// Offset of an element. A dimension that does not exist only takes index 0,
// so no index can reach past the storage.
bool locate(const int (&n)[4], size_t count, int& i, int j, int k, int l, size_t& offset) {
    if (count == 0) return false;
    if (i < 0) i += n[0];
    const int index[4] = {i, j, k, l};
    size_t stride = 1;
    offset = 0;
    for (int d = 0; d < 4; ++d) {
        const int size = std::max(n[d], 1);
        if (index[d] < 0 || index[d] >= size) return false;
        offset += static_cast<size_t>(index[d]) * stride;
        stride *= static_cast<size_t>(size);
    }
    return true;
}

template <typename Vector>
void resize_or_fault(Vector& values, size_t count, const char* what) {
    try {
        values.assign(count, typename Vector::value_type());
    } catch (const std::bad_alloc&) {
        runtime_error(ERROR_ALLOCATION, std::string(what) + " could not be allocated");
    }
}

}  // namespace

void NumberArray::dim(int n1, int n2, int n3, int n4) {
    set_shape(n_, n1, n2, n3, n4);
    resize_or_fault(values_, element_count(n_, "number array"), "number array");
}

void NumberArray::redim(int n1, int n2, int n3, int n4) {
    const int old_n[4] = {n_[0], n_[1], n_[2], n_[3]};
    std::vector<double> old = std::move(values_);
    values_.clear();
    set_shape(n_, n1, n2, n3, n4);
    resize_or_fault(values_, element_count(n_, "number array"), "number array");
    if (values_.empty() || old.empty()) return;
    // Copy every element whose indices exist in both shapes.
    int common[4];
    for (int d = 0; d < 4; ++d) common[d] = std::min(std::max(old_n[d], 1), std::max(n_[d], 1));
    for (int l = 0; l < common[3]; ++l)
        for (int k = 0; k < common[2]; ++k)
            for (int j = 0; j < common[1]; ++j)
                for (int i = 0; i < common[0]; ++i) {
                    size_t from = 0, to = 0;
                    int a = i, b = i;
                    locate(old_n, old.size(), a, j, k, l, from);
                    locate(n_, values_.size(), b, j, k, l, to);
                    values_[to] = old[from];
                }
}

size_t NumberArray::index_of(int i, int j, int k, int l) const {
    const int asked = i;
    size_t offset = 0;
    if (!locate(n_, values_.size(), i, j, k, l, offset)) array_index_fault("number array", asked, j, k, l);
    return offset;
}

double& NumberArray::at(int i, int j, int k, int l) { return values_[index_of(i, j, k, l)]; }

double NumberArray::at(int i, int j, int k, int l) const { return values_[index_of(i, j, k, l)]; }

int NumberArray::bound(int dimension) const {
    return dimension >= 0 && dimension < 4 ? n_[dimension] : 0;
}

int NumberArray::dimensions() const {
    if (n_[3]) return 4;
    if (n_[2]) return 3;
    if (n_[1]) return 2;
    return n_[0] > 0 ? 1 : 0;
}

void StringArray::dim(int n1, int n2, int n3, int n4) {
    set_shape(n_, n1, n2, n3, n4);
    resize_or_fault(values_, element_count(n_, "string array"), "string array");
}

size_t StringArray::index_of(int i, int j, int k, int l) const {
    const int asked = i;
    size_t offset = 0;
    if (!locate(n_, values_.size(), i, j, k, l, offset)) array_index_fault("string array", asked, j, k, l);
    return offset;
}

std::string& StringArray::at(int i, int j, int k, int l) { return values_[index_of(i, j, k, l)]; }

const std::string& StringArray::at(int i, int j, int k, int l) const {
    return values_[index_of(i, j, k, l)];
}

int StringArray::bound(int dimension) const {
    return dimension >= 0 && dimension < 4 ? n_[dimension] : 0;
}

// ---------------------------------------------------------------- data lists

namespace {
DataList data_list{nullptr, 0};
size_t data_cursor = 0;
}  // namespace

void data_restore(const DataList& list) {
    data_list = list;
    data_cursor = 0;
}

double data_read_number() {
    if (data_list.items == nullptr || data_cursor >= data_list.count)
        runtime_error(ERROR_DATA_END, "read past the end of the data list");
    const DataItem& item = data_list.items[data_cursor++];
    return item.text != nullptr ? string_to_number(item.text) : item.number;
}
