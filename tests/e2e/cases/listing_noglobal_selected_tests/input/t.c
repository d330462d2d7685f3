void f(int x)
{
  one();
  two();
  three();
}
