int outer(int n)
{
  int s = 0;
  auto add = [&](int v) {
    s += v; ops(); };
  for (int i = 0; i < n; i++)
    add(i);
  return s;
}
