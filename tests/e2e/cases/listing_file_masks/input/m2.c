void k(int z)
{
  if (z)
    go();
}
