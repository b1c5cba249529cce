hello = Hello
farewell = Goodbye
