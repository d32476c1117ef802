// placeholder until the library's first source lands
