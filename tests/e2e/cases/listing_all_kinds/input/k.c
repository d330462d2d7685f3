int f(int a, int b)
{
  int r = 0;
  if (a > 0 && b > 0)
    r = 1;
  while (a-- > 0)
    r += g(b);
  switch (b) {
  case 1: r++; break;
  case 2:
    r--; break;
  }
  TRY(try_hard(&r));
  if (r < 0)
    return -1;
  if (r > 100)
    abort();
  return r;
}

int g(int x)
{
  return x ? x : 1;
}
