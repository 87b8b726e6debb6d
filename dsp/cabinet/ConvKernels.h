#pragma once

// The inner loops of the convolvers: spectrum products and sums, and the
// direct FIR. Each exists as a baseline (SSE2 / scalar) and an AVX version
// picked at run time; both give bit-identical results because every sum keeps
// its order and only independent bins or outputs share a vector.

// Whether the AVX versions run (true when the CPU has AVX). Tests switch it
// off to compare both paths; not meant to change while processing runs.
bool& convKernelsUseAvx();

// ConvStage block event: for each bin, the product of X with each of the
// seven partition spectra H[k] goes to W[k]; then S = (((0 + R[0]) + R[1]) ...
// + R[6]). W[0] == R[0]; no other W aliases an R. Packed spectra of 2*half.
void convProductsAndSum(const double* X, const double* const* H, double* const* W, const double* const* R, double* S,
                        int half);

// X = X * H, packed spectra of 2*half.
void convProductInPlace(double* X, const double* H, int half);

// Direct part for one output: four partial sums over the quarters of the
// taps, each from 0 in ascending order, combined as
// (((p0 + ab) + p1) + p2) + p3. newest[-j] is the input j samples back.
double convDirectSum(const double* taps, const double* newest, int quarter, double ab);

// The same for m consecutive outputs; first[i] is output i's newest input,
// with 4*quarter - 1 valid inputs before first[0]; ab = a[i] + b[i].
void convDirectRun(const double* taps, const double* first, int quarter, const double* a, const double* b, double* out,
                   int m);
