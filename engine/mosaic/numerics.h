// The small linear-algebra kernel of the mosaic models: general linear least squares by normal
// equations (NMulfit), Gauss-Jordan elimination with full pivoting and Crout LU decomposition
// with back-substitution. Everything works in single precision on matrices given as arrays of
// row pointers to floats, indexed from 0.
//
// Failures are reported through the engine's error channel and the routine returns false; the
// caller's unknowns are then left as they were, so no division by a zero pivot ever reaches
// them. (The textbook versions stop the program at that point; here the caller decides.)
#pragma once

// General linear least squares: each of the `ndata` rows of `rows` holds the `ma` basis values
// of one equation, `y` its target and `sig` its standard deviation. Parameters whose `ia` entry
// is non-zero are fitted, the others keep their value in `a`. On success `a` holds the fit,
// `covar` (ma x ma) its covariance, with zero rows and columns for kept parameters, and `chisq`
// the chi-square. False, with `a` unchanged, after "NMulfit: no parameters to be fitted", after
// a singular normal matrix (reported by NGaussJordan) or when the solution is not finite.
bool NMulfit(float* const* rows, const float* y, const float* sig, int ndata, float* a,
             const int* ia, int ma, float* const* covar, float* chisq);

// Solves a x = b for the m right-hand-side columns of b (n x m) in place: b becomes the
// solution and a (n x n) its inverse. False after "gaussj: Singular Matrix-1" (no usable pivot
// is left, so a pivot column would be used twice) or "gaussj: Singular Matrix-2" (a zero pivot);
// a and b then hold intermediate values.
bool NGaussJordan(float* const* a, int n, float* const* b, int m);

// Crout LU decomposition of a (n x n) in place with implicit partial pivoting: `index` receives
// the row permutation and `d` the parity of the row swaps (+1 or -1). A zero pivot is replaced
// by 1.0e-20 so that the elimination goes on. False after "Singular matrix in routine ludcmp"
// (a row that is all zero), with a left partly decomposed.
bool NLUDecompose(float* const* a, int n, int* index, float* d);

// Solves a x = b in place for one right-hand side, a and index from NLUDecompose.
void NLUBackSubstitute(const float* const* a, int n, const int* index, float* b);
