# expect: total=26 exec=13 comment=8 blank=5
# cython: language_level=3
"""Fast sums over typed memory views.

The blank line above is part of the module's doc string.
"""
cimport cython
from libc.math cimport sqrt

cdef str LABEL = "sum # not a comment"
cdef bytes RAW = b'C:\\sums\\# text'


@cython.boundscheck(False)
def total(double[:] xs):
    """Returns the sum of xs."""
    cdef Py_ssize_t i
    cdef double s = 0.0  # the running sum
    for i in range(xs.shape[0]):
        s += xs[i]
    return s


cdef double norm(double[:] xs):
    # a comment line
    return sqrt(total(xs))
