/* Prints the size of each public struct of specest.h and the offset of each field, one
 * "struct field offset" line each, so the Python tests can check their ctypes mirror against
 * the compiler's layout rather than against a second hand-written list. */
#include "specest/specest.h"

#include <stddef.h>
#include <stdio.h>

#define SIZE(s) printf(#s " sizeof %zu\n", sizeof(s))
#define FIELD(s, f) printf(#s " " #f " %zu\n", offsetof(s, f))

int main(void) {
    SIZE(specest_params);
    FIELD(specest_params, size);
    FIELD(specest_params, method);
    FIELD(specest_params, complex_data);
    FIELD(specest_params, npoints);
    FIELD(specest_params, twosided);
    FIELD(specest_params, npoles);
    FIELD(specest_params, nzeros);
    FIELD(specest_params, eps);
    FIELD(specest_params, mode);
    FIELD(specest_params, m_eqs);
    FIELD(specest_params, l_pts);
    FIELD(specest_params, m_lags);
    FIELD(specest_params, nit);
    FIELD(specest_params, per);
    FIELD(specest_params, window);
    FIELD(specest_params, dt);
    FIELD(specest_params, times);
    FIELD(specest_params, npts);
    FIELD(specest_params, profile);
    FIELD(specest_params, fs);
    FIELD(specest_params, times64);
    FIELD(specest_params, detrend);
    FIELD(specest_params, scaling);
    FIELD(specest_params, window_values);
    FIELD(specest_params, window_len);
    FIELD(specest_params, peak_prominence_db);

    SIZE(specest_output64);
    FIELD(specest_output64, size);
    FIELD(specest_output64, freqs);
    FIELD(specest_output64, psd);
    FIELD(specest_output64, db);
    FIELD(specest_output64, grid_cap);
    FIELD(specest_output64, n_freq);
    FIELD(specest_output64, a);
    FIELD(specest_output64, b);
    FIELD(specest_output64, reflection);
    FIELD(specest_output64, coef_cap);
    FIELD(specest_output64, n_a);
    FIELD(specest_output64, n_b);
    FIELD(specest_output64, n_reflection);
    FIELD(specest_output64, peaks);
    FIELD(specest_output64, peak_cap);
    FIELD(specest_output64, n_peaks);
    FIELD(specest_output64, sig2);
    FIELD(specest_output64, npts);
    FIELD(specest_output64, nfft);
    FIELD(specest_output64, onesided);
    FIELD(specest_output64, iterations);
    FIELD(specest_output64, akaike_status);
    FIELD(specest_output64, message);
    FIELD(specest_output64, message_cap);
    FIELD(specest_output64, report_sink);
    FIELD(specest_output64, report_user);
    FIELD(specest_output64, method);

    SIZE(specest_output);
    FIELD(specest_output, size);
    FIELD(specest_output, freqs);
    FIELD(specest_output, db);
    FIELD(specest_output, power);
    FIELD(specest_output, grid_cap);
    FIELD(specest_output, n_freq);
    FIELD(specest_output, a);
    FIELD(specest_output, b);
    FIELD(specest_output, reflection);
    FIELD(specest_output, coef_cap);
    FIELD(specest_output, n_a);
    FIELD(specest_output, n_b);
    FIELD(specest_output, n_reflection);
    FIELD(specest_output, peak_freqs);
    FIELD(specest_output, peak_db);
    FIELD(specest_output, peak_cap);
    FIELD(specest_output, n_peaks);
    FIELD(specest_output, sig2);
    FIELD(specest_output, zero_fill);
    FIELD(specest_output, npts);
    FIELD(specest_output, t_start);
    FIELD(specest_output, t_final);
    FIELD(specest_output, iterations);
    FIELD(specest_output, akaike_status);
    FIELD(specest_output, message);
    FIELD(specest_output, message_cap);
    FIELD(specest_output, report_sink);
    FIELD(specest_output, report_user);
    FIELD(specest_output, method);

    SIZE(specest_batch_output64);
    FIELD(specest_batch_output64, size);
    FIELD(specest_batch_output64, freqs);
    FIELD(specest_batch_output64, psd);
    FIELD(specest_batch_output64, db);
    FIELD(specest_batch_output64, grid_cap);
    FIELD(specest_batch_output64, n_freq);
    FIELD(specest_batch_output64, a);
    FIELD(specest_batch_output64, b);
    FIELD(specest_batch_output64, reflection);
    FIELD(specest_batch_output64, coef_cap);
    FIELD(specest_batch_output64, n_a);
    FIELD(specest_batch_output64, n_b);
    FIELD(specest_batch_output64, n_reflection);
    FIELD(specest_batch_output64, peaks);
    FIELD(specest_batch_output64, peak_cap);
    FIELD(specest_batch_output64, n_peaks);
    FIELD(specest_batch_output64, sig2);
    FIELD(specest_batch_output64, npts);
    FIELD(specest_batch_output64, iterations);
    FIELD(specest_batch_output64, akaike_status);
    FIELD(specest_batch_output64, zero_fill);
    FIELD(specest_batch_output64, t_start);
    FIELD(specest_batch_output64, t_final);
    FIELD(specest_batch_output64, status);
    FIELD(specest_batch_output64, messages);
    FIELD(specest_batch_output64, message_cap);
    FIELD(specest_batch_output64, nfft);
    FIELD(specest_batch_output64, onesided);
    FIELD(specest_batch_output64, failed);
    SIZE(specest_capacity_info);
    FIELD(specest_capacity_info, size);
    FIELD(specest_capacity_info, grid);
    FIELD(specest_capacity_info, coef);
    FIELD(specest_capacity_info, peaks);

    SIZE(specest_method_info);
    FIELD(specest_method_info, size);
    FIELD(specest_method_info, number);
    FIELD(specest_method_info, engine_name);
    FIELD(specest_method_info, form_name);
    FIELD(specest_method_info, short_name);
    FIELD(specest_method_info, settings);
    FIELD(specest_method_info, real_only);
    FIELD(specest_method_info, parametric);
    return 0;
}
