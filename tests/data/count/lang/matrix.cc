// expect: total=26 exec=14 comment=7 blank=5
#include <vector>

// A C++ source under an extension the built-in counter leaves alone.
template <typename T>
class Matrix {
public:
    Matrix(int rows, int cols) : rows_(rows), cols_(cols), data_(rows * cols) {}

    /* Element access.
       Bounds are the caller's business. */
    T& At(int r, int c) { return data_[r * cols_ + c]; }

    const char* Name() const { return "Matrix /* of T */"; } // trailing comment
    const char* Raw() const { return R"x(raw "text" // here)x"; }

private:
    int rows_;
    int cols_; /* the number of columns */
    std::vector<T> data_;
};

/*

 */
static const char kSep = '/';
