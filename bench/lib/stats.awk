# The figures of the benchmark scripts: the values list[1..k] as "min median max".
function sortn(a, k,   i, j, v) {
  for (i = 2; i <= k; i++) { v = a[i]; for (j = i - 1; j >= 1 && a[j] > v; j--) a[j + 1] = a[j]; a[j + 1] = v }
}
function mmm(list, k, fmt,   i, c, med) {
  for (i = 1; i <= k; i++) c[i] = list[i]
  sortn(c, k)
  med = k % 2 ? c[(k + 1) / 2] : (c[k / 2] + c[k / 2 + 1]) / 2
  return sprintf(fmt " " fmt " " fmt, c[1], med, c[k])
}
function per(x, y) { return y > 0 ? x / y : 0 }
