#include "mosaic/numerics.h"

#include <cmath>
#include <utility>
#include <vector>

#include "core/report.h"

namespace {

// A dense float matrix with the row-pointer view the solvers take.
class RowMatrix {
public:
    RowMatrix(int rows, int columns)
        : m_values(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), 0.0f),
          m_rows(static_cast<std::size_t>(rows)) {
        for (int r = 0; r < rows; ++r)
            m_rows[static_cast<std::size_t>(r)] =
                m_values.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(columns);
    }
    float* const* Rows() { return m_rows.data(); }
    float* operator[](int r) { return m_rows[static_cast<std::size_t>(r)]; }

private:
    std::vector<float> m_values;
    std::vector<float*> m_rows;
};

void SwapRows(float* const* a, int r1, int r2, int columns) {
    for (int k = 0; k < columns; ++k) std::swap(a[r1][k], a[r2][k]);
}

} // namespace

bool NGaussJordan(float* const* a, int n, float* const* b, int m) {
    std::vector<int> indxc(static_cast<std::size_t>(n)), indxr(static_cast<std::size_t>(n));
    std::vector<int> ipiv(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        // Full pivoting: the largest element among the rows and columns not yet pivoted.
        float big = 0.0f;
        int irow = -1, icol = -1;
        for (int j = 0; j < n; ++j) {
            if (ipiv[j] == 1) continue;
            for (int k = 0; k < n; ++k) {
                if (ipiv[k] == 0) {
                    if (std::fabs(a[j][k]) >= big) {
                        big = std::fabs(a[j][k]);
                        irow = j;
                        icol = k;
                    }
                } else if (ipiv[k] > 1) {
                    NError("gaussj: Singular Matrix-1");
                    return false;
                }
            }
        }
        // No comparable element is left (only NaNs): the elimination would have to pivot on an
        // already used column a second time.
        if (icol < 0) {
            NError("gaussj: Singular Matrix-1");
            return false;
        }
        ++ipiv[icol];
        if (irow != icol) {
            SwapRows(a, irow, icol, n);
            SwapRows(b, irow, icol, m);
        }
        indxr[i] = irow;
        indxc[i] = icol;
        if (a[icol][icol] == 0.0f) {
            NError("gaussj: Singular Matrix-2");
            return false;
        }
        const float pivinv = 1.0f / a[icol][icol];
        a[icol][icol] = 1.0f;
        for (int l = 0; l < n; ++l) a[icol][l] *= pivinv;
        for (int l = 0; l < m; ++l) b[icol][l] *= pivinv;
        for (int ll = 0; ll < n; ++ll) {
            if (ll == icol) continue;
            const float dum = a[ll][icol];
            a[ll][icol] = 0.0f;
            for (int l = 0; l < n; ++l) a[ll][l] -= a[icol][l] * dum;
            for (int l = 0; l < m; ++l) b[ll][l] -= b[icol][l] * dum;
        }
    }
    // Undo the column interchanges in the reverse order.
    for (int l = n - 1; l >= 0; --l) {
        if (indxr[l] == indxc[l]) continue;
        for (int k = 0; k < n; ++k) std::swap(a[k][indxr[l]], a[k][indxc[l]]);
    }
    return true;
}

bool NLUDecompose(float* const* a, int n, int* index, float* d) {
    constexpr float kTiny = 1.0e-20f;
    std::vector<float> vv(static_cast<std::size_t>(n));
    *d = 1.0f;
    // Implicit scaling: each row by the inverse of its largest absolute element.
    for (int i = 0; i < n; ++i) {
        float big = 0.0f;
        for (int j = 0; j < n; ++j) big = std::fmax(big, std::fabs(a[i][j]));
        if (big == 0.0f) {
            NError("Singular matrix in routine ludcmp");
            return false;
        }
        vv[i] = 1.0f / big;
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < j; ++i) {
            float sum = a[i][j];
            for (int k = 0; k < i; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
        }
        float big = 0.0f;
        int imax = j;
        for (int i = j; i < n; ++i) {
            float sum = a[i][j];
            for (int k = 0; k < j; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
            const float dum = vv[i] * std::fabs(sum);
            if (dum >= big) {
                big = dum;
                imax = i;
            }
        }
        if (j != imax) {
            SwapRows(a, imax, j, n);
            *d = -*d;
            vv[imax] = vv[j];
        }
        index[j] = imax;
        if (a[j][j] == 0.0f) a[j][j] = kTiny;
        if (j != n - 1) {
            const float dum = 1.0f / a[j][j];
            for (int i = j + 1; i < n; ++i) a[i][j] *= dum;
        }
    }
    return true;
}

void NLUBackSubstitute(const float* const* a, int n, const int* index, float* b) {
    int ii = -1; // first non-zero element of b, so leading zeros cost nothing
    for (int i = 0; i < n; ++i) {
        const int ip = index[i];
        float sum = b[ip];
        b[ip] = b[i];
        if (ii >= 0) {
            for (int j = ii; j < i; ++j) sum -= a[i][j] * b[j];
        } else if (sum != 0.0f) {
            ii = i;
        }
        b[i] = sum;
    }
    for (int i = n - 1; i >= 0; --i) {
        float sum = b[i];
        for (int j = i + 1; j < n; ++j) sum -= a[i][j] * b[j];
        b[i] = sum / a[i][i];
    }
}

bool NMulfit(float* const* rows, const float* y, const float* sig, int ndata, float* a,
             const int* ia, int ma, float* const* covar, float* chisq) {
    int mfit = 0;
    for (int j = 0; j < ma; ++j)
        if (ia[j] != 0) ++mfit;
    if (mfit == 0) {
        NError("NMulfit: no parameters to be fitted");
        return false;
    }
    RowMatrix alpha(mfit, mfit);
    RowMatrix beta(mfit, 1);
    // Normal equations, lower triangle; kept parameters move to the right-hand side.
    for (int i = 0; i < ndata; ++i) {
        const float* row = rows[i];
        float ym = y[i];
        if (mfit < ma)
            for (int j = 0; j < ma; ++j)
                if (ia[j] == 0) ym -= a[j] * row[j];
        const float s = sig != nullptr ? sig[i] : 1.0f;
        const float sig2i = 1.0f / (s * s);
        int j = -1;
        for (int l = 0; l < ma; ++l) {
            if (ia[l] == 0) continue;
            const float wt = row[l] * sig2i;
            ++j;
            int k = -1;
            for (int mm = 0; mm <= l; ++mm)
                if (ia[mm] != 0) alpha[j][++k] += wt * row[mm];
            beta[j][0] += ym * wt;
        }
    }
    for (int j = 1; j < mfit; ++j)
        for (int k = 0; k < j; ++k) alpha[k][j] = alpha[j][k];
    if (!NGaussJordan(alpha.Rows(), mfit, beta.Rows(), 1)) return false;
    for (int j = 0; j < mfit; ++j)
        if (!std::isfinite(beta[j][0])) return false;

    for (int l = 0, j = 0; l < ma; ++l)
        if (ia[l] != 0) a[l] = beta[j++][0];
    if (chisq != nullptr) {
        float sum = 0.0f;
        for (int i = 0; i < ndata; ++i) {
            float fit = 0.0f;
            for (int j = 0; j < ma; ++j) fit += a[j] * rows[i][j];
            const float s = sig != nullptr ? sig[i] : 1.0f;
            const float dy = (y[i] - fit) / s;
            sum += dy * dy;
        }
        *chisq = sum;
    }
    if (covar != nullptr) {
        // The inverse normal matrix of the fitted parameters, spread to all ma parameters.
        for (int r = 0; r < ma; ++r)
            for (int c = 0; c < ma; ++c) covar[r][c] = 0.0f;
        for (int r = 0, jr = 0; r < ma; ++r) {
            if (ia[r] == 0) continue;
            for (int c = 0, jc = 0; c < ma; ++c) {
                if (ia[c] == 0) continue;
                covar[r][c] = alpha[jr][jc];
                ++jc;
            }
            ++jr;
        }
    }
    return true;
}
