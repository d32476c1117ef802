// placeholder until the resources land
