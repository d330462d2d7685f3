void a(void)
{
}
