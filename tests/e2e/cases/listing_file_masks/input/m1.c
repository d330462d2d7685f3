int h(int p, int q)
{
  return p
      || q;
}
