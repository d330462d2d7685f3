void c(void)
{
}
