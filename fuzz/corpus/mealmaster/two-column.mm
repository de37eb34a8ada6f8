Some text before
---------- Recipe via Meal-Master (tm) v8.02

      Title: Apple Pie
   Servings: 8

      4 c  Apples                           1/2 c  Sugar
      1 ts Cinnamon, ground fine and          2 tb Flour
           -sifted                                 -or cornflour
      1    Pie crust
-----------------------------FILLING-----------------------------
      1 lg Egg

Bake for 45 minutes.
-----
after
