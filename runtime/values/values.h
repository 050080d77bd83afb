// The value layer: strings, number formatting, bounds-checked arrays, random
// numbers and constant data lists. A broken rule ends the program with its
// run-time error code (9 index, 8 record array, 20 data list, 7 allocation).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// ---------------------------------------------------------------- strings
// Byte strings with value semantics (std::string holds them).

// Bytes from 0-based start; count < 0 = to the end; out of range gives "".
std::string string_mid(const std::string& s, int start, int count);

// Copy with a..z turned into A..Z.
std::string string_upper(const std::string& s);

// First byte as 0..255; 0 for "".
int string_char_code(const std::string& s);

// A one-byte string of the code's low byte.
std::string string_from_char_code(int code);

// Longest valid decimal prefix after leading blanks; 0 when there is none.
double string_to_number(const std::string& s);

// 10 significant digits, shortest of fixed and exponent form, no trailing point.
std::string string_from_number(double value);

// Byte-wise comparisons of unsigned bytes.
int string_less_equal(const std::string& a, const std::string& b);
int string_greater_equal(const std::string& a, const std::string& b);

// ---------------------------------------------------------------- numbers

// a - b * trunc(a / b); b = 0 gives 0.
double int_mod(double a, double b);

double abs_number(double x);

// The whole part of x as an int, truncated toward zero (how every number of
// the game becomes an index or a pixel).
inline int whole(double x) { return static_cast<int>(x); }

// Cosine of x degrees.
double cos_degrees(double x);

// atan2(y, x) in degrees, -180..180.
double atan2_degrees(double y, double x);

// ---------------------------------------------------------------- random numbers
// ISAAC (32-bit); each draw runs one full round and uses its first word.

// Seeds the generator (start-up passes the clock in ms).
void random_seed(uint32_t seed);

// 0 when n <= 0, else a whole number 0..n inclusive.
double random_int(double n);

// ---------------------------------------------------------------- arrays

// Numbers in up to four dimensions, the first index varying fastest; a
// negative first index counts from the end. Out of range: run-time error 9.
class NumberArray {
public:
    NumberArray() = default;
    void dim(int n1, int n2 = 0, int n3 = 0, int n4 = 0);    // all 0.0
    void redim(int n1, int n2 = 0, int n3 = 0, int n4 = 0);  // keeps what fits
    double& at(int i, int j = 0, int k = 0, int l = 0);
    double at(int i, int j = 0, int k = 0, int l = 0) const;
    // Inside the first two dimensions (the game's hot path: board cells)
    // the element is found inline; anything else takes the checked way.
    double& operator()(int i, int j = 0) { return inside(i, j) ? values_[flat(i, j)] : at(i, j); }
    double operator()(int i, int j = 0) const { return inside(i, j) ? values_[flat(i, j)] : at(i, j); }
    int bound(int dimension) const;                           // N1..N4, else 0
    int dimensions() const;
    size_t count() const { return values_.size(); }
private:
    bool inside(int i, int j) const {
        return static_cast<unsigned>(i) < static_cast<unsigned>(n_[0]) &&
               static_cast<unsigned>(j) < static_cast<unsigned>(n_[1] > 0 ? n_[1] : 1) &&
               flat(i, j) < values_.size();
    }
    size_t flat(int i, int j) const { return static_cast<size_t>(i) + static_cast<size_t>(j) * static_cast<size_t>(n_[0]); }
    size_t index_of(int i, int j, int k, int l) const;
    std::vector<double> values_;
    int n_[4] = {0, 0, 0, 0};
};

// Strings in up to four dimensions, the same rules ("" when created).
class StringArray {
public:
    StringArray() = default;
    void dim(int n1, int n2 = 0, int n3 = 0, int n4 = 0);
    std::string& at(int i, int j = 0, int k = 0, int l = 0);
    const std::string& at(int i, int j = 0, int k = 0, int l = 0) const;
    std::string& operator()(int i, int j = 0) { return at(i, j); }
    const std::string& operator()(int i, int j = 0) const { return at(i, j); }
    int bound(int dimension) const;
private:
    size_t index_of(int i, int j, int k, int l) const;
    std::vector<std::string> values_;
    int n_[4] = {0, 0, 0, 0};
};

// Reports an index fault of an array (error 9) and ends the program.
[[noreturn]] void array_index_fault(const char* what, int i, int j, int k, int l);
// Reports a record-array fault (error 8) and ends the program.
[[noreturn]] void record_array_fault(const char* what, int index);

// One-dimensional list of game records.
template <typename T>
class RecordArray {
public:
    int bound(int dimension) const { return dimension == 0 ? static_cast<int>(items_.size()) : 0; }
    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    void push(const T& record) { items_.push_back(record); }
    // Removes one element; a negative index counts from the end.
    void remove(int index) {
        int n = static_cast<int>(items_.size());
        if (index < 0) index += n;
        if (index < 0 || index >= n) record_array_fault("record_array_delete", index);
        items_.erase(items_.begin() + index);
    }
    // Visits every element once, in order (the visit may change it), and
    // removes those it returns true for, keeping the rest in order: one pass,
    // where removing one at a time would shift the tail per removal.
    template <typename Pick>
    void remove_where(Pick pick) {
        size_t kept = 0;
        for (size_t i = 0; i < items_.size(); ++i)
            if (!pick(items_[i])) {
                if (kept != i) items_[kept] = std::move(items_[i]);
                ++kept;
            }
        items_.resize(kept);
    }
    T& operator[](int index) {
        int n = static_cast<int>(items_.size());
        if (index < 0) index += n;
        if (index < 0 || index >= n) array_index_fault("record array", index, 0, 0, 0);
        return items_[static_cast<size_t>(index)];
    }
    const T& operator[](int index) const { return const_cast<RecordArray*>(this)->operator[](index); }
    void clear() { items_.clear(); }
private:
    std::vector<T> items_;
};

// ---------------------------------------------------------------- data lists

// An item of a constant data list: a number or a text.
struct DataItem {
    double number = 0;
    const char* text = nullptr;
    constexpr DataItem(double n) : number(n) {}
    constexpr DataItem(int n) : number(n) {}
    constexpr DataItem(const char* t) : text(t) {}
};

struct DataList {
    const DataItem* items;
    size_t count;
};

// Selects a list and puts its cursor at the first item.
void data_restore(const DataList& list);

// Reads the next item as a number; past the end: run-time error 20.
double data_read_number();
